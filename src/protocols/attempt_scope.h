#pragma once

#include <optional>
#include <utility>

// Holds the state of one Record call in `slot` for as long as the scope
// lives: made fresh when the call starts, dropped when it returns, so that
// nothing one attempt learnt or set reaches the next.
template <typename State>
class AttemptScope {
public:
    template <typename... Args>
    explicit AttemptScope(std::optional<State>& slot, Args&&... args) : slot_(slot)
    {
        slot_.emplace(std::forward<Args>(args)...);
    }
    ~AttemptScope() { slot_.reset(); }
    AttemptScope(const AttemptScope&) = delete;
    AttemptScope& operator=(const AttemptScope&) = delete;

private:
    std::optional<State>& slot_;
};
