#include "queue/Appliers.h"

#include <QApplication>
#include <QMessageBox>

#include "queue/Protocol.h"
#include "toolkit/Controls.h"

namespace {

const char* const LinkUpText = "СОЕДИНЕНИЕ УСТАНОВЛЕНО";
const char* const LinkDownText = "СОЕДИНЕНИЕ РАЗОРВАНО";

bool IsTrue(const std::string& text) {
    return text == QueueWord::True;
}

template <class TButtonClass> void ClickOrEnable(TButtonClass* button, const std::string& text) {
    if (text == QueueWord::Click)
        button->Click();
    else
        button->SetEnabled(IsTrue(text));
}

int ToInteger(const std::string& text) {
    const std::optional<std::int32_t> n = StrToIntStrict(text);
    if (!n)
        throw EConvertError("\"" + text + "\" не является целым числом");
    return *n;
}

TColor ToColor(const std::string& text) {
    const std::optional<TColor> c = StringToColor(text);
    if (!c)
        throw EConvertError("\"" + text + "\" не является цветом");
    return *c;
}

void ApplyToLabel(TLabel* label, const std::string& text) {
    if (text == QueueWord::Repaint) {
        label->Repaint();
        return;
    }
    if (text == LinkUpText)
        label->SetFontColor(clGreen);
    else if (text == LinkDownText)
        label->SetFontColor(clRed);
    label->SetCaption(text);
}

void ApplyToProgressBar(TProgressBar* bar, const std::string& text) {
    if (text == QueueWord::Repaint)
        bar->Repaint();
    else
        bar->SetPosition(ToInteger(text));
}

// A form (the main window, a page, a dialog) only answers "Show".
void ApplyToForm(TForm* form, const std::string& text) {
    if (text == QueueWord::Show)
        form->Show();
}

// The class table: the first class the control belongs to decides.
void ApplyByClass(QObject* control, const std::string& text) {
    if (auto* shape = dynamic_cast<TShape*>(control))
        shape->SetBrushColor(ToColor(text));
    else if (auto* label = dynamic_cast<TLabel*>(control))
        ApplyToLabel(label, text);
    else if (const TValueControl value(control); value.IsText())
        value.SetText(text);
    else if (value.IsBox())
        value.SetChecked(IsTrue(text));
    else if (auto* button = dynamic_cast<TButton*>(control))
        ClickOrEnable(button, text);
    else if (auto* tool = dynamic_cast<TToolButton*>(control))
        ClickOrEnable(tool, text);
    else if (auto* comboEx = dynamic_cast<TComboBoxEx*>(control))
        comboEx->SetItemIndex(ToInteger(text));
    else if (auto* combo = dynamic_cast<TComboBox*>(control))
        combo->SetItemIndex(ToInteger(text));
    else if (auto* panel = dynamic_cast<TPanel*>(control))
        panel->SetCaption(text);
    else if (auto* progress = dynamic_cast<TProgressBar*>(control))
        ApplyToProgressBar(progress, text);
    else if (auto* form = dynamic_cast<TForm*>(control))
        ApplyToForm(form, text);
    else if (auto* memo = dynamic_cast<TMemo*>(control))
        memo->AppendLine(text);
    else if (text == QueueWord::Show)
        SetControlVisible(control, true);
    else
        SetControlEnabled(control, IsTrue(text));
}

} // namespace

void ApplyMemoLine(TApplyHost& host, const std::string& text, bool toMemo) {
    if (toMemo)
        host.AppendMemoLine(text);
    if (host.LogEnabled())
        host.WriteLogLine(text);
}

void ApplyControlText(TApplyHost& host, QObject* control, const std::string& text) {
    if (!control)
        return;
    if (host.IsInputsPage(control)) {
        if (text == QueueWord::FlagsOn)
            host.SetInputFlagsEnabled(true);
        else if (text == QueueWord::FlagsOff)
            host.SetInputFlagsEnabled(false);
    }
    if (host.IsMainWindow(control)) {
        if (text == QueueWord::Repaint) {
            host.RepaintStatusBar();
        } else if (const std::optional<std::int32_t> generation = StrToIntStrict(text)) {
            host.SetGeneration(*generation);
        }
    }
    ApplyByClass(control, text);
}

void ApplyStatusText(const std::string& text, QObject* panel) {
    if (auto* p = dynamic_cast<TStatusPanel*>(panel))
        p->SetText(text);
}

void ApplyControlColor(QObject* control, const std::string& text) {
    if (auto* label = dynamic_cast<TLabel*>(control))
        label->SetFontColor(ToColor(text));
    else
        TValueControl(control).SetColor(ToColor(text));
}

void ApplyScreenSteps(TApplyHost& host, const std::vector<TScreenStep>& steps) {
    for (const TScreenStep& step : steps)
        if (step.Kind == okStatus)
            ApplyStatusText(step.Text, step.Control);
        else
            ApplyControlText(host, step.Control, step.Text);
}

namespace {
std::string& MessageTitle() {
    static std::string title;
    return title;
}
} // namespace

void SetMessageTitle(const std::string& title) {
    MessageTitle() = title;
}

void ShowMessage(const std::string& text) {
    const QString title =
        MessageTitle().empty() ? QApplication::applicationDisplayName() : QStr(MessageTitle());
    QMessageBox box(QMessageBox::NoIcon, title, QStr(text), QMessageBox::Ok,
                    QApplication::activeWindow());
    box.exec();
}

std::size_t DrainOutArray(TOutArray& queue, TApplyHost& host) {
    std::size_t taken = 0;
    while (queue.PeekKind() != 0) {
        try {
            TOutElement* element = nullptr;
            const std::uint8_t kind = queue.Take(element);
            ++taken;
            switch (kind) {
            case okMemo: {
                const auto* e = static_cast<TMemoOut*>(element);
                ApplyMemoLine(host, e->Text, e->ToMemo);
                break;
            }
            case okControl: {
                const auto* e = static_cast<TControlOut*>(element);
                ApplyControlText(host, e->Control, e->Text);
                break;
            }
            case okMsg:
                host.BeforeMessage();
                ShowMessage(static_cast<TMsgOut*>(element)->Text);
                break;
            case okStatus: {
                const auto* e = static_cast<TStatusOut*>(element);
                ApplyStatusText(e->Text, e->Panel);
                break;
            }
            case okColor: {
                const auto* e = static_cast<TControlOut*>(element);
                ApplyControlColor(e->Control, e->Text);
                break;
            }
            case okEvent:
                host.UnitEvent(static_cast<TEventOut*>(element)->Event);
                break;
            default:
                break;
            }
        } catch (...) {
            // The element is lost; the ones after it are still applied.
        }
    }
    return taken;
}
