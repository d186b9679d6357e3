#pragma once
// The parameter hint window: a small popup beside the value control under
// the pointer, with links that read, write or reset just that parameter, its
// default value and its description. One at a time, process-wide: it is
// replaced when the pointer reaches another value control and closed when it
// reaches the page background. It overlaps the control's right edge, so the
// pointer can travel from the control into it without closing it.
//
// Threading: GUI thread only.

#include <QFrame>
#include <QKeySequence>
#include <QPointer>
#include <QShortcut>
#include <vector>

#include "pages/PageServices.h"
#include "toolkit/Controls.h"

// The form inside the popup.
class THintF : public TForm {
public:
    THintF(QWidget* Parent, TPageServices Services);

    TScrollBox* ScrollBox1;
    TPanel* Panel1;
    TLabel* lbRead;
    TLabel* lbWrite;
    TLabel* lbDefault;
    TLabel* Label2;
    TLabel* Label3;
    TLabel* lbDisc;

    // The size that shows the links, the default and the description whole,
    // from MinSize up to MaxSize: wider for a long default or description,
    // then taller with the description wrapped; beyond MaxSize the
    // description scrolls.
    QSize FittingSize(QSize MinSize, QSize MaxSize) const;

    // Single-parameter read / write of the hint's control (only while a link
    // thread exists), and its default value (always).
    void lbReadClick(QObject* Sender);
    void lbWriteClick(QObject* Sender);
    void lbDefaultClick(QObject* Sender);

private:
    // Marks the hint's control for a single-parameter request and posts it;
    // the mark is taken back when no link thread took the request.
    void PostForHintControl(std::uint8_t Code);

    TPageServices FServices; // those of the control's page
};

// The popup: topmost, frameless, never takes the focus.
class TParamHintWindow : public QFrame {
public:
    TParamHintWindow(QWidget* Owner, TPageServices Services);
    ~TParamHintWindow() override;
    THintF* Form() const { return FForm; }

private:
    THintF* FForm;
    // The links' keys, on the control's window while the popup is up (the
    // popup itself never takes the keyboard).
    std::vector<QPointer<QShortcut>> FKeys;
};

// The keys of the hint window's links, shown in their captions.
inline const QKeySequence HintReadKey{Qt::Key_F5};
inline const QKeySequence HintWriteKey{Qt::Key_F6};
inline const QKeySequence HintDefaultKey{Qt::Key_F7};

// The size of the hint form and of the popup around it: the design size,
// which is also the smallest, and how far it may grow for long texts.
constexpr int HintFormWidth = 175;
constexpr int HintFormHeight = 200;
constexpr int HintWindowWidth = HintFormWidth + 6;
constexpr int HintWindowHeight = HintFormHeight + 2;
constexpr int HintWindowMaxWidth = 2 * HintWindowWidth;
constexpr int HintWindowMaxHeight = 2 * HintWindowHeight;
// How far the popup reaches back over the control's right edge.
constexpr int HintOverlap = 5;

// The control the hint window belongs to, and the window; none while closed.
QWidget* HintControl();
TParamHintWindow* ParamHintWindow();

// Services are those of the control's page: the links post through them and
// the description comes from them.
void ShowParameterHint(QWidget* Control, const TPageServices& Services);
void HideParameterHint();
