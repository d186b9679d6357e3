#pragma once
// Helpers for the page tests: a stand-in for the link thread that records
// the requests the pages post, and operator input on check boxes and radio
// buttons delivered like the real thing.

#include <QApplication>
#include <QStyleOptionButton>
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "WidgetEvents.h"
#include "pages/PageServices.h"
#include "pages/SettingsPage.h"
#include "toolkit/Controls.h"

class TFakeLink {
public:
    // Descriptions by parameter number, for the hint window.
    explicit TFakeLink(std::map<int, std::string> descriptions = {})
        : FDescriptions(std::move(descriptions)) {
        Services.PostRequest = [this](std::uint8_t code) {
            if (!Exists)
                return false;
            if (OnPost)
                OnPost(code);
            Posted.push_back(code);
            return true;
        };
        Services.Describe = [this](int parameter) {
            const auto it = FDescriptions.find(parameter);
            return it == FDescriptions.end() ? std::string() : it->second;
        };
    }
    TFakeLink(const TFakeLink&) = delete;
    TFakeLink& operator=(const TFakeLink&) = delete;

    // The page posts through this link from now on.
    void Serve(TSettingsPage& Page) const { Page.SetServices(&Services); }

    TPageServices Services;
    bool Exists = false;
    std::vector<std::uint8_t> Posted;
    // Runs as the request is taken, like the device seeing it.
    std::function<void(std::uint8_t)> OnPost;

private:
    std::map<int, std::string> FDescriptions;
};

// A mouse click on the part of a check box or radio button that toggles it.
inline void ClickBox(QAbstractButton* box) {
    QStyleOptionButton opt;
    opt.initFrom(box);
    const bool radio = qobject_cast<QRadioButton*>(box) != nullptr;
    const QRect r = box->style()->subElementRect(
        radio ? QStyle::SE_RadioButtonClickRect : QStyle::SE_CheckBoxClickRect, &opt, box);
    ClickMouse(box, r.center());
}

inline bool IsMarked(const QWidget* w) {
    return w->font().bold() && w->font().underline();
}

// The font colour a label shows.
inline QColor FontColorOf(const QWidget* w) {
    return w->palette().color(QPalette::WindowText);
}
