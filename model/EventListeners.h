// An event that any number of listeners hear. Listen gives each listener a connection; releasing
// the connection (destroying, resetting or assigning over it) takes the listener off again, so
// listeners may come and go in any order. A connection may outlive its event: it then does nothing.
#pragma once

#include <algorithm>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

namespace eventlisteners {
// What a connection sees of the event it belongs to.
class TListenerList {
public:
    virtual ~TListenerList() = default;
    virtual void Remove(const void* listener) = 0;
};
} // namespace eventlisteners

class TEventConnection {
public:
    TEventConnection() = default;
    TEventConnection(std::weak_ptr<eventlisteners::TListenerList> list, const void* listener)
        : FList(std::move(list)), FListener(listener) {}
    TEventConnection(TEventConnection&& other) noexcept
        : FList(std::move(other.FList)), FListener(std::exchange(other.FListener, nullptr)) {}
    TEventConnection& operator=(TEventConnection&& other) noexcept {
        if (this != &other) {
            Reset();
            FList = std::move(other.FList);
            FListener = std::exchange(other.FListener, nullptr);
        }
        return *this;
    }
    TEventConnection(const TEventConnection&) = delete;
    TEventConnection& operator=(const TEventConnection&) = delete;
    ~TEventConnection() { Reset(); }

    void Reset() {
        if (const auto list = FList.lock()) list->Remove(FListener);
        FList.reset();
        FListener = nullptr;
    }

private:
    std::weak_ptr<eventlisteners::TListenerList> FList;
    const void* FListener = nullptr;
};

template <typename... Args> class TEventListeners {
public:
    using THandler = std::function<void(Args...)>;

    TEventListeners() = default;
    TEventListeners(TEventListeners&&) noexcept = default;
    TEventListeners& operator=(TEventListeners&&) noexcept = default;
    TEventListeners(const TEventListeners&) = delete;
    TEventListeners& operator=(const TEventListeners&) = delete;

    [[nodiscard]] TEventConnection Listen(THandler handler) {
        if (!FList) FList = std::make_shared<TList>();
        auto listener = std::make_shared<TListener>(TListener{std::move(handler), true});
        FList->Listeners.push_back(listener);
        return TEventConnection(FList, listener.get());
    }
    // Takes every listener off; their connections then do nothing.
    void Clear() { FList.reset(); }

    explicit operator bool() const { return FList && !FList->Listeners.empty(); }

    // Calls the listeners in the order they came. A listener taken off meanwhile, even by an earlier
    // one, is not called; one added meanwhile hears the next event.
    void operator()(Args... args) const {
        if (!*this) return;
        const std::shared_ptr<TList> list = FList;
        const std::vector<std::shared_ptr<TListener>> listeners = list->Listeners;
        for (const auto& listener : listeners)
            if (listener->Connected) listener->Handler(args...);
    }

private:
    struct TListener {
        THandler Handler;
        bool Connected;
    };
    struct TList final : eventlisteners::TListenerList {
        std::vector<std::shared_ptr<TListener>> Listeners;
        void Remove(const void* listener) override {
            const auto it = std::find_if(Listeners.begin(), Listeners.end(),
                                         [listener](const auto& l) { return l.get() == listener; });
            if (it == Listeners.end()) return;
            (*it)->Connected = false;
            Listeners.erase(it);
        }
    };
    std::shared_ptr<TList> FList;
};
