#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace xdg {

// A desktop-entry style key file (mimeapps.list, .desktop, mimeinfo.cache)
// edited line by line: comments, blank lines, unknown groups and keys, their
// order and their spelling survive a load-edit-save round trip unchanged.
// Only the lines of the keys that are set or removed change.
class KeyFile {
public:
    // Files larger than this are not read (and so never rewritten).
    static constexpr size_t kMaxBytes = 4u << 20;

    enum class Load { Ok, Missing, TooLarge, Error };

    // Reads path; Missing leaves an empty file (which can be saved).
    Load LoadFile(const std::string& path);
    static KeyFile FromText(const std::string& text);

    // The value of the first line of key in a group named group (duplicate
    // groups count as one, the first line wins), without the spaces
    // around '='.
    std::optional<std::string> Value(const std::string& group, const std::string& key) const;
    // The groups' names, in order, once each.
    std::vector<std::string> Groups() const;
    // The keys of a group (duplicate groups merged), in order, once each.
    std::vector<std::string> Keys(const std::string& group) const;

    // Rewrites the first line of key in group (dropping its later
    // duplicates), or appends key to the first such group, or appends the
    // group with the key at the end.
    void SetValue(const std::string& group, const std::string& key, const std::string& value);
    // Removes every line of key in group.
    void RemoveKey(const std::string& group, const std::string& key);

    std::string Text() const;
    bool Changed() const { return changed_; }

private:
    struct Line {
        std::string text;  // without the line end
        std::string group; // the group the line is in ("" before the first)
        bool isKey = false;
        std::string key;
        std::string value;
    };
    static Line Parse(const std::string& text, const std::string& group);
    void Rebuild(const std::string& text);

    std::vector<Line> lines_;
    std::string lineEnd_ = "\n";
    bool finalNewline_ = true;
    bool changed_ = false;
};

// "a;b;;c;" -> {"a", "b", "c"}; Join gives "a;b;c;".
std::vector<std::string> SplitList(const std::string& value);
std::string JoinList(const std::vector<std::string>& items);

// Writes text to path through a temporary file in the same folder and a
// rename, so readers see the old or the new file, never a partial one. A
// missing folder is made (mode 0700, as the base directory rules ask); a
// path that is a symbolic link has its target replaced, the link stays; an
// existing file keeps its mode. An existing file that is read-only (no write
// bit, or not writable by us) or not a regular file is left alone. False
// with *error set on failure.
bool WriteFileAtomically(const std::string& path, const std::string& text, std::string* error);

}  // namespace xdg
