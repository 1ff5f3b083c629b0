#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Reads ASX playlists: tag documents (<ASX>, <Entry>, <Ref href>,
// <EntryRef href>), INI reference files ("[Reference]" with Ref1= lines)
// and plain reference lists (lines "ASF address" or an address). A
// character state machine, not an XML parser: text between tags is never
// read, references are passed on exactly as written, nothing is fetched.
// Bytes above 127 are taken as they are, so a text in code page 949 is
// read the same as one in UTF-8 (no lead or trail byte of code page 949
// is a quote, "<", ">", "/", "=", a blank or a line end).
class AsxReader {
public:
    // Who reads, which decides the extra tags and the entry markers. All
    // three read every form; a text without references gives nothing.
    enum class Mode {
        MainView,         // references become media-list rows
        RecordingJob,     // also "moreinfo"; references go to the job driver
        StreamingClient,  // "-e" markers for <Entry> tags and INI/plain lists
    };

    struct Result {
        // asxSeen: an <ASX> tag was completed, or the text was an INI
        // reference file or a plain reference list.
        bool asxSeen = false;
        // What the reader hands to its sink, in order; empty when no
        // reference was found (the sink is not called). Main view and
        // recording job: the references. Streaming client: the leading
        // words, then "-e" markers and references.
        std::vector<std::string> output;
        // References found through Ref/EntryRef tags or reference lines.
        int referenceCount = 0;
        // Recording job only: the last "moreinfo" href, and whether one was seen.
        bool moreInfoSeen = false;
        std::string moreInfoUrl;
        // The syntax messages, exactly as reported ("ASF syntax error 2!\n", ...).
        std::vector<std::string> messages;
    };

    // Limits of one reading; input beyond them is dropped, never overrun.
    // - A tag name longer than kMaxTagName letters is cut (it then matches
    //   no known tag).
    // - Attribute text (names, values and their terminators) beyond
    //   kMaxAttributeText bytes is dropped; a first attribute whose value
    //   did not fit whole counts as absent, so a cut address is never used.
    //   An href value of up to kMaxAttributeText - 6 bytes fits.
    // - Attributes after the first kMaxAttributes of a tag are not recorded.
    // - Reference text counts each reference plus one terminator byte. The
    //   reference that no longer fits (in text or in entries) is dropped and
    //   the reading ends there: what was collected so far is handed over.
    //   The streaming client's leading words and "-e" markers take entries.
    // - INI and plain-list lines longer than kMaxLine bytes are skipped; a
    //   section name longer than kMaxSectionName bytes is a section other
    //   than [Reference].
    // - Only the first kMaxMessages messages are kept.
    static constexpr size_t kMaxTagName = 127;
    static constexpr size_t kMaxAttributeText = 512;
    static constexpr size_t kMaxAttributes = 256;
    static constexpr size_t kMaxReferenceText = 4096;
    static constexpr size_t kMaxReferences = 100;
    static constexpr size_t kMaxLine = 511;
    static constexpr size_t kMaxSectionName = 127;
    static constexpr size_t kMaxMessages = 100;

    // The entry marker of the streaming configuration's output.
    static constexpr const char* kEntryMarker = "-e";

    // text need not be NUL-terminated; a UTF-8 byte order mark at its start
    // is skipped. leadingWords are the streaming client's own words placed
    // in front of its output (ignored otherwise).
    static Result Read(Mode mode, const uint8_t* text, size_t length,
                       const std::vector<std::string>& leadingWords = {});
    static Result Read(Mode mode, const std::string& text,
                       const std::vector<std::string>& leadingWords = {})
    {
        return Read(mode, reinterpret_cast<const uint8_t*>(text.data()), text.size(), leadingWords);
    }
};
