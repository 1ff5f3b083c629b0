#pragma once

#include "base/app_settings.h"
#include "formats/asf_file_writer.h"
#include "protocols/client_hooks.h"

// What the three stream clients share about the ASF file they write.
namespace asfrecording {

// The writer's options from the job's settings: the size and time limits,
// and live re-timing (the live setting, unless the client always re-times
// live streams). The patch rule is the client's.
AsfFileWriter::Options WriterOptions(const AppSettings& settings, AsfFileWriter::Patch patch,
                                     bool alwaysRetimeLive = false);

// How a media phase ended, from what the writer holds: a limit, then the
// user's stop; an on-demand stream by whether the file holds the whole
// stream, and when not, by whether the server marked its end (serverEnded);
// a live one by whether the server marked its end.
StreamEnd HowItEnded(const AsfFileWriter& writer, bool stopped, bool serverEnded);

// What an ASF header (the Header object, whatever follows it) tells of its
// stream: live (a play duration of 0 or the broadcast flag) or on demand,
// the duration without the preroll, the maximum bit rate and the title, with
// control characters made blanks. Nothing (delivery Unknown) when the bytes
// hold no File Properties object.
StreamInfo HeaderStreamInfo(const uint8_t* header, size_t length);

}  // namespace asfrecording
