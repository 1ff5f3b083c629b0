#pragma once

#include <memory>
#include <utility>

// Holds the state of one Record call in `slot` for as long as the scope
// lives: made fresh when the call starts, dropped when it returns, so that
// nothing one attempt learnt or set reaches the next. The state lives on the
// heap, so a client may name it as a type nested in its own class.
template <typename State>
class AttemptScope {
public:
    template <typename... Args>
    explicit AttemptScope(std::unique_ptr<State>& slot, Args&&... args) : slot_(slot)
    {
        slot_ = std::make_unique<State>(std::forward<Args>(args)...);
    }
    ~AttemptScope() { slot_.reset(); }
    AttemptScope(const AttemptScope&) = delete;
    AttemptScope& operator=(const AttemptScope&) = delete;

private:
    std::unique_ptr<State>& slot_;
};
