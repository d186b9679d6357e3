#pragma once
// Captions, panels, shapes and containers.
//
// Threading: Caption of labels and panels, BrushColor of shapes and Position
// of progress bars (and the shared snapshots of TControlT) from any thread;
// everything else on the GUI thread.

#include <QFontMetrics>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QProgressBar>
#include <QScrollArea>
#include <QSplitter>
#include <QStringList>
#include <atomic>

#include "toolkit/Control.h"

// A caption. Plain text only (a "<" in a caption is shown, not interpreted).
// OnClick runs when the left button is released over it.
class TLabel : public TControlT<QLabel> {
public:
    TLabel(TForm* Owner, std::string Name, QWidget* Parent = nullptr);

    std::string Caption() const { return FCaption.Get(); }
    void SetCaption(const std::string& caption);
    void SetWordWrap(bool on) { setWordWrap(on); }
    void SetAlignment(Qt::Alignment alignment) { setAlignment(alignment); }
    void Repaint() { repaint(); }

protected:
    void mouseReleaseEvent(QMouseEvent* e) override;

private:
    TSharedText FCaption;
};

// A caption in its own frame, distinct from TLabel.
class TStaticText : public TControlT<QLabel> {
public:
    TStaticText(TForm* Owner, std::string Name, QWidget* Parent = nullptr);
    std::string Caption() const { return FCaption.Get(); }
    void SetCaption(const std::string& caption);

private:
    TSharedText FCaption;
};

enum class TBevelKind { None, Raised, Lowered };

// The lines of Text wrapped to Width: at blanks and at its own line breaks
// only, never inside a run of other characters (a path, an address), which
// keeps its line whole even where it is wider.
QStringList WrapAtBlanks(const QString& Text, const QFontMetrics& Metrics, int Width);

// A panel: a container that can show a centred caption (wrapped at blanks
// when long). OnChange runs when the caption changes.
class TPanel : public TControlT<QFrame> {
public:
    TPanel(TForm* Owner, std::string Name, QWidget* Parent = nullptr);

    std::string Caption() const { return FCaption.Get(); }
    void SetCaption(const std::string& caption);
    void SetBevel(TBevelKind bevel);
    QSize minimumSizeHint() const override;
    // The least width that shows every word of the caption unbroken, and
    // the height its wrapped lines take at a width: frame included.
    int CaptionWordWidth() const;
    int CaptionHeight(int Width) const;
    // The caption's lines as the panel paints them.
    QStringList CaptionLines() const;

protected:
    QSize NaturalSize() const override;
    void paintEvent(QPaintEvent* e) override;

private:
    TSharedText FCaption;
};

enum class TShapeType { Rectangle, Circle, Ellipse };

// A filled figure; the status lamps are circles.
class TShape : public TControlT<QWidget> {
public:
    TShape(TForm* Owner, std::string Name, QWidget* Parent = nullptr);

    TShapeType Shape() const { return FShape; }
    void SetShape(TShapeType shape);
    TColor BrushColor() const { return FBrush.load(std::memory_order_acquire); }
    void SetBrushColor(TColor color);
    TColor PenColor() const { return FPen; }
    void SetPenColor(TColor color);

protected:
    QSize NaturalSize() const override { return QSize(25, 24); }
    void paintEvent(QPaintEvent* e) override;

private:
    TShapeType FShape = TShapeType::Rectangle;
    std::atomic<TColor> FBrush{clWhite};
    TColor FPen = clBlack;
};

// A framed empty area (decoration).
class TBevel : public TControlT<QFrame> {
public:
    TBevel(TForm* Owner, std::string Name, QWidget* Parent = nullptr);
};

class TGroupBox : public TControlT<QGroupBox> {
public:
    TGroupBox(TForm* Owner, std::string Name, QWidget* Parent = nullptr);
    std::string Caption() const { return StdStr(title()); }
    void SetCaption(const std::string& caption) { setTitle(QStr(caption)); }
};

// A scrolling container without a border; SetContent puts the one widget it
// scrolls (which follows the box's size while it fits).
class TScrollBox : public TControlT<QScrollArea> {
public:
    TScrollBox(TForm* Owner, std::string Name, QWidget* Parent = nullptr);
    void SetContent(QWidget* content) { setWidget(content); }
};

class TProgressBar : public TControlT<QProgressBar> {
public:
    TProgressBar(TForm* Owner, std::string Name, QWidget* Parent = nullptr);
    int Position() const { return FPosition.load(std::memory_order_acquire); }
    void SetPosition(int position) { setValue(position); }
    void SetRange(int min, int max) { setRange(min, max); }
    void Repaint() { repaint(); }

private:
    std::atomic<int> FPosition{0};
};

class TSplitter : public TControlT<QSplitter> {
public:
    TSplitter(TForm* Owner, std::string Name, Qt::Orientation Orientation,
              QWidget* Parent = nullptr);
};
