#pragma once

#include <string>

// The output files the jobs of this process are writing. With several rows
// recording at once, two jobs may arrive at the same output path; a job
// must then neither resume, overwrite nor share the file the other one
// writes. A job claims its path before it settles the file; a path another
// job holds sends it to a numbered name of its own.
class OutputClaim {
public:
    OutputClaim() = default;
    ~OutputClaim() { Release(); }
    OutputClaim(const OutputClaim&) = delete;
    OutputClaim& operator=(const OutputClaim&) = delete;

    // Claims path, giving up what this claim held. False (and nothing
    // changes) when another claim holds path.
    bool Take(const std::string& path);
    // Claims the first numbered variant of path (path(0).ext, ...) that is
    // neither on disk nor held, and returns it; "" (and nothing changes)
    // when there is none.
    std::string TakeUnique(const std::string& path);
    void Release();
    // The path held, or "".
    const std::string& path() const { return path_; }

private:
    std::string path_;
};
