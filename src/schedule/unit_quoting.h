#pragma once

#include <string>
#include <string_view>

namespace schedule {

// One word of a service's command line (ExecStart=) that reaches the
// program exactly as given: in double quotes, with backslash and quote
// escaped by a backslash, control bytes as \xHH, '%' written "%%" (systemd
// reads "%x" as a specifier) and '$' written "$$" (it reads "$NAME" and
// "${NAME}" as variables).
std::string CommandWord(std::string_view text);

// The program of a command line: systemd takes its path as written apart
// from specifiers ('%' doubled; '$' stays). It refuses a path with quotes,
// backslashes or control characters, which ProgramPathIsRunnable tells.
std::string ProgramWord(std::string_view path);
bool ProgramPathIsRunnable(std::string_view path);

// Text for a setting in which systemd resolves specifiers but takes the
// rest as it is (Description=, the file of StandardOutput=): '%' doubled.
std::string SpecifierText(std::string_view text);

// The value of one of our own keys: in double quotes, with backslash, quote
// and control bytes escaped. systemd ignores X- keys, so '%' and '$' stay.
// The quotes keep leading and trailing blanks, and a value never ends in the
// backslash that would join the next line to it.
std::string QuotedValue(std::string_view text);

// The text of a QuotedValue; false when the value is not one.
bool UnquoteValue(std::string_view value, std::string* text);

}  // namespace schedule
