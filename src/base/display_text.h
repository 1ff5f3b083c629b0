#pragma once

#include <cstdint>
#include <string>

// The texts the media list shows for recordings and checks, made in one place
// for both front ends (the desktop list and the CLI's output).

// The language of the few words that are not English in the list's texts.
enum class DisplayLanguage { English, Korean };

// Korean when the messages locale names Korean (the first set of LC_ALL,
// LC_MESSAGES and LANG is "ko" or starts with "ko_", "ko." or "ko@"),
// English otherwise.
DisplayLanguage DisplayLanguageFromEnvironment();
// The language in force: the environment's, read once, unless set.
DisplayLanguage CurrentDisplayLanguage();
void SetDisplayLanguage(DisplayLanguage language);

// Fixed words of the "Record" column.
inline constexpr const char* kConnectingText = "Connecting";
inline constexpr const char* kHeaderReceivedText = "Received Head";
inline constexpr const char* kIncompleteText = "incomplete";
inline constexpr const char* kCheckingText = "Checking";
inline constexpr const char* kCheckOkText = "Ok";
inline constexpr const char* kCheckErrorText = "Error";
// The "Size" column of a failed recording.
inline constexpr const char* kSizeErrorText = "Error";
// Put in front of the title of a row the URL check could not reach.
inline constexpr const char* kUnreachableMark = "(x)";

// "completed" / "완료" and "cancelled" / "취소".
const char* CompletedText(DisplayLanguage language = CurrentDisplayLanguage());
const char* CancelledText(DisplayLanguage language = CurrentDisplayLanguage());
// The channel word of the file information: two channels are "stereo" /
// "스테레오", any other count "mono" / "모노".
const char* ChannelText(int channels, DisplayLanguage language = CurrentDisplayLanguage());

// The "Record" column while a dropped stream waits for attempt n:
// "reconnecting (n)".
std::string ReconnectingText(uint32_t attempt);

// A duration as "%d:%02d:%02d" (hours, minutes, seconds): 3723000 -> "1:02:03".
std::string DurationText(uint32_t ms);
// Recording progress: stream time and hundredths of a percent, minutes and
// seconds not padded: "1:5(25 %)", with hours "1:2:5(25 %)".
std::string ProgressText(uint32_t timeMs, uint32_t progress);
// Bytes written, in whole kilobytes: 1536 -> "1K".
std::string KilobyteText(uint64_t bytes);
// The size of a local file: above 1048575 bytes "%dM", above 1023 "%dK",
// else "%dB".
std::string ListSizeText(uint64_t bytes);
