#pragma once
// What every component of a form carries, whatever its widget: the name it is
// found by (its key for the device layer, the reference table and the
// settings file), its tag, its hint (the default value of a value control)
// and snapshots of its enabled and visible state for the link thread.
//
// Threading: Name, Owner, Object, Tag, Hint, Enabled and Visible may be used
// from any thread; StoreEnabled/StoreVisible only on the GUI thread, which
// refreshes the snapshots whenever the widget changes. Construction and
// destruction happen on the GUI thread.

#include <atomic>
#include <mutex>
#include <string>

class QObject;
class TForm;

// A text one thread sets and others read whole.
class TSharedText {
public:
    std::string Get() const {
        std::lock_guard lock(FMutex);
        return FText;
    }
    void Set(std::string text) {
        std::lock_guard lock(FMutex);
        FText = std::move(text);
    }

private:
    mutable std::mutex FMutex;
    std::string FText;
};

class TComponentInfo {
public:
    // Registers the component with its owner form (if any) under its name,
    // and process-wide under its object.
    TComponentInfo(TForm* Owner, std::string Name, QObject* Object);
    ~TComponentInfo();
    TComponentInfo(const TComponentInfo&) = delete;
    TComponentInfo& operator=(const TComponentInfo&) = delete;

    const std::string& Name() const { return FName; }
    TForm* Owner() const { return FOwner; }
    QObject* Object() const { return FObject; }

    int Tag() const { return FTag.load(std::memory_order_acquire); }
    void SetTag(int tag) { FTag.store(tag, std::memory_order_release); }
    std::string Hint() const { return FHint.Get(); }
    void SetHint(std::string hint) { FHint.Set(std::move(hint)); }

    bool Enabled() const { return FEnabled.load(std::memory_order_acquire); }
    bool Visible() const { return FVisible.load(std::memory_order_acquire); }
    void StoreEnabled(bool on) { FEnabled.store(on, std::memory_order_release); }
    void StoreVisible(bool on) { FVisible.store(on, std::memory_order_release); }

private:
    TForm* const FOwner;
    const std::string FName;
    QObject* const FObject;
    std::atomic<int> FTag{0};
    TSharedText FHint;
    std::atomic<bool> FEnabled{true};
    std::atomic<bool> FVisible{true};
};

// The component record of a toolkit object (a control, a form, a menu item),
// from any thread; nullptr for any other object.
TComponentInfo* ComponentInfoOf(const QObject* Object);
