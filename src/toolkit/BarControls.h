#pragma once
// The status bar with its panels, the tool bar and its buttons.
//
// Threading: a status panel's Text (and the shared snapshots of TControlT)
// from any thread; everything else on the GUI thread.

#include <QIcon>
#include <QKeySequence>
#include <QObject>
#include <QPainter>
#include <QToolButton>
#include <QWidget>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "toolkit/Control.h"

class TStatusBar;

enum class TStatusPanelStyle { Text, OwnerDraw };

// One panel of a status bar. Status texts are addressed to the panel itself.
class TStatusPanel : public QObject {
public:
    TStatusPanel(TStatusBar* Bar, int Index);

    int Index() const { return FIndex; }
    std::string Text() const { return FText.Get(); }
    void SetText(const std::string& text);
    int Width() const { return FWidth; }
    void SetWidth(int width);
    Qt::Alignment Alignment() const { return FAlignment; }
    void SetAlignment(Qt::Alignment alignment);
    TStatusPanelStyle Style() const { return FStyle; }
    void SetStyle(TStatusPanelStyle style);

private:
    TStatusBar* FBar;
    int FIndex;
    TSharedText FText;
    int FWidth = 50;
    Qt::Alignment FAlignment = Qt::AlignLeft;
    TStatusPanelStyle FStyle = TStatusPanelStyle::Text;
};

using TDrawPanelEvent = std::function<void(QObject* StatusBar, TStatusPanel* Panel,
                                           QPainter& Canvas, const QRect& Rect)>;

// A row of panels of fixed widths from the left; an owner-drawn panel is
// painted by OnDrawPanel, or carries a child control placed on it. The
// paint changes nothing: it would schedule the next paint.
class TStatusBar : public TControlT<QWidget> {
public:
    TStatusBar(TForm* Owner, std::string Name, QWidget* Parent = nullptr);

    TStatusPanel* AddPanel(const std::string& text, int width,
                           Qt::Alignment alignment = Qt::AlignLeft,
                           TStatusPanelStyle style = TStatusPanelStyle::Text);
    int PanelCount() const { return static_cast<int>(FPanels.size()); }
    TStatusPanel* Panel(int index) const { return FPanels.at(static_cast<size_t>(index)); }
    QRect PanelRect(int index) const;
    void Repaint() { repaint(); }
    // Keeps Control (now a child of the bar) on the panel whenever the bar
    // or the panels change size.
    void PlaceOnPanel(int index, QWidget* Control);
    void PlaceControls();

    TDrawPanelEvent OnDrawPanel;

protected:
    QSize NaturalSize() const override;
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;

private:
    std::vector<TStatusPanel*> FPanels;
    std::vector<std::pair<int, QWidget*>> FPlaced;
};

// A tool-bar button: an image, its hint as tooltip, OnClick.
class TToolButton : public TControlT<QToolButton> {
public:
    TToolButton(TForm* Owner, std::string Name, QWidget* Parent = nullptr);

    std::string Caption() const { return StdStr(text()); }
    void SetCaption(const std::string& caption) { setText(QStr(caption)); }
    void SetIcon(const QIcon& icon) { setIcon(icon); }
    // Runs OnClick from code, whether enabled or not; exceptions reach the caller.
    void Click();

    // The key that runs the button's command, shown after the hint in its
    // tooltip ("Прочитать (Ctrl+R)"). Owned: the key presses this button
    // (while it is enabled); otherwise a menu item with the same command
    // holds it, and one key may not belong to both.
    void SetShortcut(const QKeySequence& Key, bool Owned);
    std::string ToolTipText() const override;

private:
    QKeySequence FShortcut;
};

// A row of tool buttons and dividers.
class TToolBar : public TControlT<QWidget> {
public:
    TToolBar(TForm* Owner, std::string Name, QWidget* Parent = nullptr);

    void AddButton(TToolButton* button);
    void AddDivider();
    int ButtonWidth() const { return FButtonWidth; }
    void SetButtonWidth(int width);

private:
    int FButtonWidth = 26;
    std::vector<TToolButton*> FButtons;
};
