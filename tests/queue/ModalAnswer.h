#pragma once
// Answers the modal windows that the code under test opens, as an operator
// would: each time a modal window is shown, Answer runs with it once its own
// event loop has started. Message boxes are answered with OK by default and
// their texts are kept.

#include <QAbstractButton>
#include <QApplication>
#include <QEvent>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <string>
#include <vector>

class TModalAnswer : public QObject {
public:
    using TAnswer = std::function<void(QWidget* Window)>;

    explicit TModalAnswer(TAnswer answer = {}) : FAnswer(std::move(answer)) {
        qApp->installEventFilter(this);
    }
    ~TModalAnswer() override { qApp->removeEventFilter(this); }

    // Texts of the message boxes answered so far, in order.
    std::vector<std::string> Messages;

    // Presses OK on a message box, recording its text; other windows are
    // left to the answer given to the constructor, or closed.
    void Answer(QWidget* window) {
        if (auto* box = qobject_cast<QMessageBox*>(window)) {
            Messages.push_back(box->text().toStdString());
            if (FOnMessage)
                FOnMessage(box);
            box->button(QMessageBox::Ok)->click();
        } else if (FAnswer) {
            FAnswer(window);
        } else {
            window->close();
        }
    }
    // Runs while a message box is up, before it is answered.
    void OnMessage(std::function<void(QMessageBox*)> f) { FOnMessage = std::move(f); }

protected:
    bool eventFilter(QObject* watched, QEvent* e) override {
        if (e->type() == QEvent::Show) {
            auto* w = qobject_cast<QWidget*>(watched);
            if (w && w->isWindow() && w->isModal()) {
                QPointer<QWidget> window(w);
                QTimer::singleShot(0, this, [this, window] {
                    if (window && window->isVisible())
                        Answer(window);
                });
            }
        }
        return false;
    }

private:
    TAnswer FAnswer;
    std::function<void(QMessageBox*)> FOnMessage;
};
