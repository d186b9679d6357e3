#include "toolkit/Component.h"

#include <unordered_map>

#include "toolkit/Form.h"

namespace {
std::mutex& RegistryMutex() {
    static std::mutex m;
    return m;
}
std::unordered_map<const QObject*, TComponentInfo*>& Registry() {
    static std::unordered_map<const QObject*, TComponentInfo*> r;
    return r;
}
} // namespace

TComponentInfo::TComponentInfo(TForm* Owner, std::string Name, QObject* Object)
    : FOwner(Owner), FName(std::move(Name)), FObject(Object) {
    if (FOwner)
        FOwner->InsertComponent(this);
    std::lock_guard lock(RegistryMutex());
    Registry()[FObject] = this;
}

TComponentInfo::~TComponentInfo() {
    {
        std::lock_guard lock(RegistryMutex());
        Registry().erase(FObject);
    }
    if (FOwner)
        FOwner->RemoveComponent(this);
}

TComponentInfo* ComponentInfoOf(const QObject* Object) {
    std::lock_guard lock(RegistryMutex());
    const auto it = Registry().find(Object);
    return it == Registry().end() ? nullptr : it->second;
}
