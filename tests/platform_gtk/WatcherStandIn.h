// A StatusNotifierWatcher (and host) standing in for a desktop's, on the
// session bus of the test: it owns "org.kde.StatusNotifierWatcher" on a
// connection of its own served by a thread of its own, keeps the items
// that register, and acts on them as a panel would.
#pragma once

#include <chrono>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

typedef struct _GDBusConnection GDBusConnection;
typedef struct _GMainContext GMainContext;
typedef struct _GMainLoop GMainLoop;
typedef struct _GVariant GVariant;

class WatcherStandIn {
 public:
    WatcherStandIn() = default;
    ~WatcherStandIn();
    WatcherStandIn(const WatcherStandIn&) = delete;
    WatcherStandIn& operator=(const WatcherStandIn&) = delete;

    // Connects and owns the name (a new unique name each time); false when
    // the bus or the name could not be had.
    bool Start();
    // Leaves the bus, as a watcher that ends.
    void Stop();

    // Bus names of the items registered with this watcher since Start.
    std::vector<std::string> Items();
    // The latest item to register, once one has (waits up to timeout);
    // empty when none did.
    std::string WaitForItem(std::chrono::milliseconds timeout);
    // Calls a method of the item without waiting for the answer.
    void Call(const std::string& item, const char* method, int x, int y);
    // Reads a property of the item (blocks: not on the thread the item
    // answers on). Null when it could not be read; unref the result.
    GVariant* Property(const std::string& item, const char* name);

 private:
    void Serve();

    GMainContext* context_ = nullptr;
    GMainLoop* loop_ = nullptr;
    GDBusConnection* connection_ = nullptr;
    unsigned registration_ = 0;
    std::thread thread_;
    std::mutex lock_;
    std::vector<std::string> items_;
};
