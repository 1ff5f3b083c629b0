#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "base/failed_attempt.h"

// One JSON object per line on stdout (--json). Values are strings or
// integers; strings are escaped (the C0 and C1 controls and DEL as \u00XX),
// and bytes that are not UTF-8 become U+FFFD so that every line is valid
// JSON whatever a server sent.
class JsonObject {
public:
    JsonObject& Add(const char* key, const std::string& value);
    JsonObject& Add(const char* key, const char* value) { return Add(key, std::string(value)); }
    JsonObject& Add(const char* key, int64_t value);
    // An array of objects.
    JsonObject& Add(const char* key, const std::vector<JsonObject>& items);
    std::string Text() const;

private:
    std::vector<std::pair<std::string, std::string>> members_;  // key, encoded value
};

// The attempts of a failure, one object each: transport, address, reason.
std::vector<JsonObject> AttemptsJson(const std::vector<FailedAttempt>& attempts);

// The JSON string literal of a text, quotes included.
std::string JsonString(const std::string& text);
