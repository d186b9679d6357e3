#include "pages/HintWindow.h"

#include <QGridLayout>
#include <QScreen>
#include <QScrollBar>
#include <QVBoxLayout>
#include <algorithm>

#include "pages/PageOps.h"
#include "queue/Protocol.h"

namespace {
constexpr int LinksHeight = 92;

QPointer<QWidget>& CurrentControl() {
    static QPointer<QWidget> control;
    return control;
}
QPointer<TParamHintWindow>& CurrentWindow() {
    static QPointer<TParamHintWindow> window;
    return window;
}

TLabel* NewLink(THintF* form, const char* name, const char* caption, const QKeySequence& key,
                QWidget* parent) {
    auto* link = new TLabel(form, name, parent);
    link->SetCaption(std::string(caption) + " (" +
                     key.toString(QKeySequence::NativeText).toStdString() + ")");
    link->SetFontStyle(fsUnderline);
    link->setCursor(Qt::PointingHandCursor);
    return link;
}
} // namespace

THintF::THintF(QWidget* Parent, TPageServices Services)
    : TForm(nullptr, "HintF", Parent), FServices(std::move(Services)) {
    ScrollBox1 = new TScrollBox(this, "ScrollBox1");
    auto* content = new QWidget;
    Panel1 = new TPanel(this, "Panel1", content);
    Panel1->SetBevel(TBevelKind::None);
    // A link a line, its key beside it, within the design width.
    Panel1->SetHeight(LinksHeight);
    Panel1->setFixedHeight(LinksHeight);
    lbRead = NewLink(this, "lbRead", "Прочитать", HintReadKey, Panel1);
    lbWrite = NewLink(this, "lbWrite", "Записать", HintWriteKey, Panel1);
    lbDefault = NewLink(this, "lbDefault", "По умолчанию", HintDefaultKey, Panel1);
    Label2 = new TLabel(this, "Label2", Panel1);
    Label3 = new TLabel(this, "Label3", Panel1);
    Label3->SetCaption("     Описание");
    Label3->SetFontStyle(fsBold);
    lbDisc = new TLabel(this, "lbDisc", content);
    lbDisc->SetWordWrap(true);
    lbDisc->SetAlignment(Qt::AlignLeft | Qt::AlignTop);

    auto* rows = new QGridLayout(Panel1);
    rows->setContentsMargins(4, 4, 4, 4);
    rows->addWidget(lbRead, 0, 0);
    rows->addWidget(lbWrite, 1, 0);
    rows->addWidget(lbDefault, 2, 0);
    rows->addWidget(Label2, 2, 1);
    rows->addWidget(Label3, 3, 0, 1, 3);
    rows->setColumnStretch(2, 1);

    auto* column = new QVBoxLayout(content);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addWidget(Panel1);
    column->addWidget(lbDisc, 1);
    lbDisc->setContentsMargins(4, 0, 4, 4);
    ScrollBox1->SetContent(content);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(ScrollBox1);

    lbRead->OnClick = [this](QObject* s) { lbReadClick(s); };
    lbWrite->OnClick = [this](QObject* s) { lbWriteClick(s); };
    lbDefault->OnClick = [this](QObject* s) { lbDefaultClick(s); };
}

QSize THintF::FittingSize(QSize minSize, QSize maxSize) const {
    const int maxWidth = std::max(maxSize.width(), minSize.width());
    const int maxHeight = std::max(maxSize.height(), minSize.height());
    const QMargins margins = lbDisc->contentsMargins();
    const int oneLine = lbDisc->fontMetrics().horizontalAdvance(QStr(lbDisc->Caption())) +
                        margins.left() + margins.right() + 1;
    int width = std::clamp(std::max(Panel1->layout()->sizeHint().width(), oneLine), minSize.width(),
                           maxWidth);
    int height = std::max(minSize.height(), Panel1->height() + lbDisc->heightForWidth(width));
    if (height > maxHeight) {
        // The description scrolls: its bar takes room from the width.
        height = maxHeight;
        width = std::min(width + ScrollBox1->verticalScrollBar()->sizeHint().width(), maxWidth);
    }
    return {width, height};
}

void THintF::PostForHintControl(std::uint8_t code) {
    TComponentInfo* info = ComponentInfoOf(HintControl());
    if (!info)
        return;
    FServices.PostPrepared(
        code, [info] { info->SetTag(info->Tag() + ParameterMark); },
        [info] { info->SetTag(info->Tag() - ParameterMark); });
}

void THintF::lbReadClick(QObject*) {
    PostForHintControl(rqReadParam);
}

void THintF::lbWriteClick(QObject*) {
    PostForHintControl(rqWriteParam);
}

void THintF::lbDefaultClick(QObject*) {
    if (QWidget* control = HintControl())
        ApplyDefault(control);
}

TParamHintWindow::TParamHintWindow(QWidget* Owner, TPageServices Services)
    : QFrame(Owner, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFocusPolicy(Qt::NoFocus);
    setFrameStyle(QFrame::Box | QFrame::Plain);
    setLineWidth(1);
    // The tooltip colours, for the popup and everything on it.
    QPalette pal = palette();
    pal.setColor(QPalette::Window, pal.color(QPalette::ToolTipBase));
    pal.setColor(QPalette::Base, pal.color(QPalette::ToolTipBase));
    pal.setColor(QPalette::WindowText, pal.color(QPalette::ToolTipText));
    pal.setColor(QPalette::Text, pal.color(QPalette::ToolTipText));
    setPalette(pal);
    setAutoFillBackground(true);

    FForm = new THintF(this, std::move(Services));
    FForm->setAutoFillBackground(true);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(3, 1, 3, 1);
    layout->addWidget(FForm);

    for (const auto& entry :
         {std::pair{HintReadKey, FForm->lbRead}, std::pair{HintWriteKey, FForm->lbWrite},
          std::pair{HintDefaultKey, FForm->lbDefault}}) {
        auto* link = entry.second;
        auto* shortcut = new QShortcut(entry.first, Owner->window());
        shortcut->setContext(Qt::WindowShortcut);
        QObject::connect(shortcut, &QShortcut::activated, FForm, [link] {
            if (link->OnClick)
                Guarded(link, [link] { link->OnClick(link); });
        });
        FKeys.emplace_back(shortcut);
    }
}

TParamHintWindow::~TParamHintWindow() {
    for (const QPointer<QShortcut>& key : FKeys)
        delete key.data();
}

QWidget* HintControl() {
    return CurrentControl();
}

TParamHintWindow* ParamHintWindow() {
    return CurrentWindow();
}

void ShowParameterHint(QWidget* control, const TPageServices& services) {
    if (!control || (CurrentControl() == control && CurrentWindow()))
        return;
    HideParameterHint();
    CurrentControl() = control;
    auto* window = new TParamHintWindow(control, services);
    CurrentWindow() = window;

    const TComponentInfo* info = ComponentInfoOf(control);
    // A pending single-parameter request does not change which parameter
    // the control holds.
    const int parameter = info ? info->Tag() % ParameterMark : 0;
    window->Form()->lbDisc->SetCaption(services.DescribeParameter(parameter));
    window->Form()->Label2->SetCaption(": " + (info ? info->Hint() : std::string()));
    window->Form()->show();

    // Its place stays beside the control; from the design size it grows to
    // the right and down, as far as the screen has room.
    const QPoint origin = control->mapToGlobal(QPoint(0, 0));
    const QPoint place(origin.x() + control->width() - HintOverlap, origin.y());
    const QMargins margins = window->layout()->contentsMargins();
    const QSize chrome(margins.left() + margins.right() + 2 * window->frameWidth(),
                       margins.top() + margins.bottom() + 2 * window->frameWidth());
    QSize room(HintWindowMaxWidth, HintWindowMaxHeight);
    if (const QScreen* screen = control->screen()) {
        const QRect free = screen->availableGeometry();
        room = room.boundedTo(QSize(free.right() + 1 - place.x(), free.bottom() + 1 - place.y()));
    }
    const QSize least(HintWindowWidth, HintWindowHeight);
    window->setGeometry(
        QRect(place, window->Form()->FittingSize(least - chrome, room - chrome) + chrome));
    window->show();
}

void HideParameterHint() {
    if (QPointer<TParamHintWindow>& window = CurrentWindow()) {
        delete window.data();
        window = nullptr;
        CurrentControl() = nullptr;
    }
}
