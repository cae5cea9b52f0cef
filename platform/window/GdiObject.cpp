#include "platform/window/GdiObject.h"

#include <mutex>
#include <unordered_set>

namespace {

struct LiveObjects {
    std::mutex lock;
    std::unordered_set<GdiObject*> objects;
};

LiveObjects& Live() {
    static LiveObjects live;
    return live;
}

}  // namespace

HGDIOBJ RegisterGdiObject(GdiObject* object) {
    if (object == nullptr) return nullptr;
    std::lock_guard guard(Live().lock);
    Live().objects.insert(object);
    return object;
}

bool IsGdiObject(HGDIOBJ object) {
    if (object == nullptr) return false;
    std::lock_guard guard(Live().lock);
    return Live().objects.count(object) != 0;
}

BOOL DeleteObject(HGDIOBJ object) {
    {
        std::lock_guard guard(Live().lock);
        if (object == nullptr || Live().objects.erase(object) == 0) return FALSE;
    }
    delete object;
    return TRUE;
}
