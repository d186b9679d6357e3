#include "app/WindowLayout.h"

#include <QGuiApplication>
#include <QScreen>
#include <algorithm>
#include <optional>

#include "toolkit/BarControls.h"
#include "toolkit/Form.h"
#include "toolkit/IniFile.h"
#include "toolkit/LabelControls.h"
#include "toolkit/ProgramFolder.h"
#include "toolkit/StringGrid.h"
#include "toolkit/TreeView.h"

namespace {
const char* const LayoutFile = "Windows.ini";

// Sizes outside this range are damage, not a layout, and read as "not a number".
constexpr int MaxSize = 16384;

std::string FileName() {
    return ProgramFolder() + LayoutFile;
}

enum class TSized { None, WidthOnly, Both };

TSized SizedKind(QObject* component) {
    if (dynamic_cast<TPanel*>(component) || dynamic_cast<TTreeView*>(component) ||
        dynamic_cast<TStringGrid*>(component))
        return TSized::Both;
    if (dynamic_cast<TToolBar*>(component))
        return TSized::WidthOnly;
    return TSized::None;
}

int ReadSize(const TIniFile& ini, const std::string& section, const std::string& key, int dflt) {
    const int v = ini.ReadInteger(section, key, dflt);
    return v >= 1 && v <= MaxSize ? v : dflt;
}

// The room on the screen the window opens on: the one under its stored
// position, else its own or the primary screen. Nothing stored may be larger,
// or the window would reach past the screen's edge (a panel of fixed size
// widens the window with it) and stay so, since it is saved back.
QSize ScreenRoom(const TForm& form, std::optional<QPoint> position) {
    const QScreen* s = position ? QGuiApplication::screenAt(*position) : nullptr;
    if (!s)
        s = form.screen() ? form.screen() : QGuiApplication::primaryScreen();
    return s ? s->availableGeometry().size() : QSize(MaxSize, MaxSize);
}

// A window counts as placed when a reasonable piece of it lies on a screen;
// otherwise (a position saved while minimised, a screen since removed) it is
// centred instead of opening out of reach.
bool ReachableOnAScreen(const QRect& frame) {
    for (const QScreen* s : QGuiApplication::screens()) {
        const QRect common = frame.intersected(s->availableGeometry());
        if (common.width() >= 32 && common.height() >= 32)
            return true;
    }
    return false;
}

void CentreOnScreen(TForm& form) {
    const QScreen* s = form.screen() ? form.screen() : QGuiApplication::primaryScreen();
    if (!s)
        return;
    const QRect avail = s->availableGeometry();
    form.move(avail.center() - QPoint(form.width() / 2, form.height() / 2));
}

template <class Apply> void ForSized(TForm& form, Apply apply) {
    for (TComponentInfo* c : form.Components()) {
        if (c->Name().empty())
            continue;
        if (auto* w = dynamic_cast<QWidget*>(c->Object()))
            if (const TSized kind = SizedKind(w); kind != TSized::None)
                apply(c->Name(), w, kind);
    }
}

template <class F> void WithControl(QWidget* w, F f) {
    if (auto* p = dynamic_cast<TPanel*>(w))
        f(*p);
    else if (auto* t = dynamic_cast<TTreeView*>(w))
        f(*t);
    else if (auto* g = dynamic_cast<TStringGrid*>(w))
        f(*g);
    else if (auto* b = dynamic_cast<TToolBar*>(w))
        f(*b);
}
} // namespace

void SaveWindowLayout(TForm& Form) {
    TIniFile ini(FileName());
    const std::string s = Form.Name();
    ini.WriteInteger(s, "xForm.Left", Form.x());
    ini.WriteInteger(s, "xForm.Top", Form.y());
    ini.WriteInteger(s, "xForm.Height", Form.height());
    ini.WriteInteger(s, "xForm.Width", Form.width());
    const Qt::WindowStates state = Form.windowState();
    ini.WriteBool(s, "xForm.WindowState",
                  (state & Qt::WindowMaximized) && !(state & Qt::WindowMinimized));
    ForSized(Form, [&](const std::string& name, QWidget* w, TSized kind) {
        WithControl(w, [&](auto& control) {
            ini.WriteInteger(s, name + ".Width", control.Width());
            if (kind == TSized::Both)
                ini.WriteInteger(s, name + ".Height", control.Height());
        });
    });
    ini.UpdateFile();
}

void LoadWindowLayout(TForm& Form) {
    const TIniFile ini(FileName());
    const std::string s = Form.Name();

    std::optional<QPoint> position;
    if (ini.ValueExists(s, "xForm.Left"))
        position = QPoint(
            ini.ReadInteger(s, "xForm.Left", Form.x()),
            ini.ValueExists(s, "xForm.Top") ? ini.ReadInteger(s, "xForm.Top", Form.y()) : Form.y());
    const QSize room = ScreenRoom(Form, position);

    int width = Form.width();
    int height = Form.height();
    if (ini.ValueExists(s, "xForm.Height"))
        height = std::min(ReadSize(ini, s, "xForm.Height", 480), room.height());
    if (ini.ValueExists(s, "xForm.Width"))
        width = std::min(ReadSize(ini, s, "xForm.Width", 600), room.width());
    Form.resize(width, height);

    if (position && ReachableOnAScreen(QRect(*position, QSize(width, height))))
        Form.move(*position);
    else
        CentreOnScreen(Form);

    const bool maximised = ini.ReadBool(s, "xForm.WindowState", true);
    Form.setWindowState(maximised ? Qt::WindowMaximized : Qt::WindowNoState);

    ForSized(Form, [&](const std::string& name, QWidget* w, TSized kind) {
        WithControl(w, [&](auto& control) {
            if (ini.ValueExists(s, name + ".Width"))
                control.SetWidth(std::min(ReadSize(ini, s, name + ".Width", 100), room.width()));
            if (kind == TSized::Both && ini.ValueExists(s, name + ".Height"))
                control.SetHeight(std::min(ReadSize(ini, s, name + ".Height", 100), room.height()));
        });
    });
}
