#include "toolkit/LabelControls.h"

#include <QPainter>
#include <QRegularExpression>
#include <algorithm>

TLabel::TLabel(TForm* Owner, std::string Name, QWidget* Parent)
    : TControlT<QLabel>(Owner, std::move(Name), DefaultParent(Owner, Parent)) {
    setTextFormat(Qt::PlainText);
}

void TLabel::SetCaption(const std::string& caption) {
    FCaption.Set(caption);
    setText(QStr(caption));
}

void TLabel::mouseReleaseEvent(QMouseEvent* e) {
    TControlT<QLabel>::mouseReleaseEvent(e);
    if (e->button() == Qt::LeftButton && rect().contains(e->position().toPoint()))
        Fire(OnClick);
}

TStaticText::TStaticText(TForm* Owner, std::string Name, QWidget* Parent)
    : TControlT<QLabel>(Owner, std::move(Name), DefaultParent(Owner, Parent)) {
    setTextFormat(Qt::PlainText);
}

void TStaticText::SetCaption(const std::string& caption) {
    FCaption.Set(caption);
    setText(QStr(caption));
}

TPanel::TPanel(TForm* Owner, std::string Name, QWidget* Parent)
    : TControlT<QFrame>(Owner, std::move(Name), DefaultParent(Owner, Parent)) {
    SetBevel(TBevelKind::Raised);
}

namespace {
// Room between the frame and the caption's text, on each side.
constexpr int CaptionPadding = 2;
} // namespace

QStringList WrapAtBlanks(const QString& Text, const QFontMetrics& Metrics, int Width) {
    QStringList lines;
    for (const QString& paragraph : Text.split(QLatin1Char('\n'))) {
        QString line;
        for (const QString& word : paragraph.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
            const QString longer = line.isEmpty() ? word : line + QLatin1Char(' ') + word;
            if (line.isEmpty() || Metrics.horizontalAdvance(longer) <= Width) {
                line = longer;
                continue;
            }
            lines << line;
            line = word;
        }
        lines << line;
    }
    return lines;
}

void TPanel::SetCaption(const std::string& caption) {
    if (caption == FCaption.Get())
        return;
    FCaption.Set(caption);
    updateGeometry();
    update();
    Fire(OnChange);
}

int TPanel::CaptionWordWidth() const {
    const QFontMetrics fm(font());
    int widest = 0;
    for (const QString& word :
         QStr(FCaption.Get()).split(QRegularExpression("[ \n]"), Qt::SkipEmptyParts))
        widest = std::max(widest, fm.horizontalAdvance(word));
    return widest + 2 * (frameWidth() + CaptionPadding) + 1;
}

int TPanel::CaptionHeight(int Width) const {
    const QFontMetrics fm(font());
    const int inner = Width - 2 * (frameWidth() + CaptionPadding);
    const auto lines = static_cast<int>(WrapAtBlanks(QStr(FCaption.Get()), fm, inner).size());
    return lines * fm.lineSpacing() + 2 * (frameWidth() + CaptionPadding);
}

QStringList TPanel::CaptionLines() const {
    const QRect text =
        contentsRect().adjusted(CaptionPadding, CaptionPadding, -CaptionPadding, -CaptionPadding);
    return WrapAtBlanks(QStr(FCaption.Get()), QFontMetrics(font()), text.width());
}

void TPanel::SetBevel(TBevelKind bevel) {
    switch (bevel) {
    case TBevelKind::None:
        setFrameStyle(QFrame::NoFrame);
        break;
    case TBevelKind::Raised:
        setFrameStyle(QFrame::Panel | QFrame::Raised);
        break;
    case TBevelKind::Lowered:
        setFrameStyle(QFrame::Panel | QFrame::Sunken);
        break;
    }
}

QSize TPanel::minimumSizeHint() const {
    const QString caption = QStr(FCaption.Get());
    if (caption.isEmpty() || layout())
        return TControlT<QFrame>::minimumSizeHint();
    const QFontMetrics fm(font());
    return QSize(fm.averageCharWidth() * 4, fm.height()) + QSize(2, 2) * (frameWidth() + 4);
}

QSize TPanel::NaturalSize() const {
    QSize s = TControlT<QFrame>::NaturalSize();
    const QString caption = QStr(FCaption.Get());
    if (!caption.isEmpty()) {
        const QFontMetrics fm(font());
        const QSize text = fm.size(0, caption) + QSize(2, 2) * (frameWidth() + 4);
        s = s.expandedTo(text);
    }
    return s;
}

void TPanel::paintEvent(QPaintEvent* e) {
    TControlT<QFrame>::paintEvent(e);
    const QString caption = QStr(FCaption.Get());
    if (caption.isEmpty())
        return;
    QPainter p(this);
    p.setPen(palette().color(QPalette::WindowText));
    const QRect text =
        contentsRect().adjusted(CaptionPadding, CaptionPadding, -CaptionPadding, -CaptionPadding);
    p.drawText(text, Qt::AlignCenter, CaptionLines().join(QLatin1Char('\n')));
}

TShape::TShape(TForm* Owner, std::string Name, QWidget* Parent)
    : TControlT<QWidget>(Owner, std::move(Name), DefaultParent(Owner, Parent)) {}

// A setter given the value the shape already has schedules no paint: the
// status bar's indicator is coloured whenever the write state is shown.
void TShape::SetShape(TShapeType shape) {
    if (shape == FShape)
        return;
    FShape = shape;
    update();
}

void TShape::SetBrushColor(TColor color) {
    if (FBrush.exchange(color, std::memory_order_acq_rel) == color)
        return;
    update();
}

void TShape::SetPenColor(TColor color) {
    if (color == FPen)
        return;
    FPen = color;
    update();
}

void TShape::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(ToQColor(FPen));
    p.setBrush(ToQColor(BrushColor()));
    QRect r = rect().adjusted(0, 0, -1, -1);
    if (FShape == TShapeType::Circle) {
        const int d = std::min(r.width(), r.height());
        r = QRect(r.x() + (r.width() - d) / 2, r.y() + (r.height() - d) / 2, d, d);
    }
    if (FShape == TShapeType::Rectangle)
        p.drawRect(r);
    else
        p.drawEllipse(r);
}

TBevel::TBevel(TForm* Owner, std::string Name, QWidget* Parent)
    : TControlT<QFrame>(Owner, std::move(Name), DefaultParent(Owner, Parent)) {
    setFrameStyle(QFrame::Box | QFrame::Sunken);
}

TGroupBox::TGroupBox(TForm* Owner, std::string Name, QWidget* Parent)
    : TControlT<QGroupBox>(Owner, std::move(Name), DefaultParent(Owner, Parent)) {}

TScrollBox::TScrollBox(TForm* Owner, std::string Name, QWidget* Parent)
    : TControlT<QScrollArea>(Owner, std::move(Name), DefaultParent(Owner, Parent)) {
    setFrameShape(QFrame::NoFrame);
    setWidgetResizable(true);
    // Not a stop of its own between the controls it holds: Tab goes from
    // one field to the next, and the box scrolls to the field that has it.
    setFocusPolicy(Qt::NoFocus);
}

TProgressBar::TProgressBar(TForm* Owner, std::string Name, QWidget* Parent)
    : TControlT<QProgressBar>(Owner, std::move(Name), DefaultParent(Owner, Parent)) {
    setTextVisible(false);
    connect(this, &QProgressBar::valueChanged, this,
            [this](int v) { FPosition.store(v, std::memory_order_release); });
    setValue(0);
}

TSplitter::TSplitter(TForm* Owner, std::string Name, Qt::Orientation Orientation, QWidget* Parent)
    : TControlT<QSplitter>(Owner, std::move(Name), DefaultParent(Owner, Parent)) {
    setOrientation(Orientation);
    setChildrenCollapsible(false);
}
