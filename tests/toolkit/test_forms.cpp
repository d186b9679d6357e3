#include <gtest/gtest.h>

#include <QGridLayout>
#include <QPointer>
#include <QTimer>
#include <thread>

#include "WidgetEvents.h"
#include "toolkit/Controls.h"

TEST(FormRegistry, FindsByNameFromAnyThreadInCreationOrder) {
    TForm page(nullptr, "formInOut");
    auto* box = new TGroupBox(&page, "GroupBox2");
    new TLabel(&page, "lb3", box);
    auto* cb5 = new TCheckBox(&page, "CheckBox5", box);
    auto* edit7 = new TEdit(&page, "Edit7", box);
    auto* shape = new TShape(&page, "", box); // unnamed: listed, not findable
    cb5->SetTag(27);

    QObject* found = nullptr;
    int tag = 0;
    std::thread worker([&] {
        found = page.FindComponent("checkbox5");
        if (auto* info = page.FindComponentInfo("CHECKBOX5"))
            tag = info->Tag();
        for (TComponentInfo* c : page.Components())
            c->SetTag(c->Tag() % 1000);
    });
    worker.join();
    EXPECT_EQ(found, cb5);
    EXPECT_EQ(tag, 27);
    EXPECT_EQ(page.Find<TEdit>("Edit7"), edit7);
    EXPECT_EQ(page.Find<TCheckBox>("Edit7"), nullptr);
    EXPECT_EQ(page.FindComponent(""), nullptr);

    std::vector<std::string> names;
    for (TComponentInfo* c : page.Components())
        names.push_back(c->Name());
    EXPECT_EQ(names, (std::vector<std::string>{"GroupBox2", "lb3", "CheckBox5", "Edit7", ""}));
    EXPECT_EQ(ComponentInfoOf(shape)->Owner(), &page);
    EXPECT_THROW(new TEdit(&page, "EDIT7"), std::invalid_argument);
}

TEST(FormRegistry, DestroyedComponentsLeaveAndAFormTakesItsOwnWithIt) {
    TForm main(nullptr, "Form1");
    auto* area = new TPanel(&main, "mpanel");
    QPointer<TForm> page = new TForm(&main, "formGPRS", area);
    QPointer<TEdit> edit = new TEdit(page, "etIp");
    QPointer<TEdit> parentedElsewhere = new TEdit(page, "etPort", area);

    delete edit.data();
    EXPECT_EQ(page->FindComponent("etIp"), nullptr);
    EXPECT_EQ(page->Components().size(), 1u);

    const QObject* raw = parentedElsewhere.data();
    delete page.data();
    EXPECT_TRUE(parentedElsewhere.isNull()); // the owner destroyed it, not its parent
    EXPECT_EQ(ComponentInfoOf(raw), nullptr);
    EXPECT_EQ(main.FindComponent("formGPRS"), nullptr);
    EXPECT_NE(main.FindComponent("mpanel"), nullptr);
}

TEST(ModalForm, ButtonsCloseItWithTheirResultAfterTheirHandler) {
    TForm dlg(nullptr, "dlgConnect");
    auto* ok = new TButton(&dlg, "OKBtn");
    ok->SetModalResult(mrOk);
    auto* cancel = new TButton(&dlg, "CancelBtn");
    cancel->SetModalResult(mrCancel);
    std::vector<std::string> log;
    ok->OnClick = [&](QObject*) { log.push_back(dlg.InModal() ? "ok in modal" : "ok outside"); };

    QTimer::singleShot(0, ok, [ok] { ok->Click(); });
    EXPECT_EQ(dlg.ShowModal(), mrOk);
    EXPECT_EQ(log, (std::vector<std::string>{"ok in modal"}));
    EXPECT_FALSE(dlg.isVisible());

    // A handler may keep the form open by clearing the result.
    int vetoes = 0;
    ok->OnClick = [&](QObject*) {
        if (vetoes++ == 0)
            dlg.SetModalResult(mrNone);
    };
    QTimer::singleShot(0, ok, [ok, cancel] {
        ok->Click();
        QTimer::singleShot(0, cancel, [cancel] { cancel->Click(); });
    });
    EXPECT_EQ(dlg.ShowModal(), mrCancel);
    EXPECT_EQ(vetoes, 1);

    // Closing the window counts as Cancel.
    QTimer::singleShot(0, &dlg, [&dlg] { dlg.close(); });
    EXPECT_EQ(dlg.ShowModal(), mrCancel);
}

TEST(ModalForm, EnterAndEscPressTheDefaultAndCancelButtons) {
    TForm dlg(nullptr, "dlgConnect");
    auto* layout = new QGridLayout(&dlg);
    auto* edit = new TEdit(&dlg, "etPhone");
    auto* ok = new TButton(&dlg, "OKBtn");
    auto* cancel = new TButton(&dlg, "CancelBtn");
    layout->addWidget(edit, 0, 0);
    layout->addWidget(ok, 1, 0);
    layout->addWidget(cancel, 1, 1);
    ok->SetModalResult(mrOk);
    ok->SetDefault(true);
    cancel->SetModalResult(mrCancel);
    cancel->SetCancel(true);

    QTimer::singleShot(0, edit, [edit] { PressKey(edit, Qt::Key_Return, "\r"); });
    EXPECT_EQ(dlg.ShowModal(), mrOk);
    QTimer::singleShot(0, edit, [edit] { PressKey(edit, Qt::Key_Escape, "\x1B"); });
    EXPECT_EQ(dlg.ShowModal(), mrCancel);

    // A disabled default button is not pressed by Enter.
    ok->SetEnabled(false);
    int okClicks = 0;
    ok->OnClick = [&](QObject*) { ++okClicks; };
    dlg.show();
    PressKey(edit, Qt::Key_Return, "\r");
    EXPECT_EQ(okClicks, 0);
    // Code still presses it: the link thread's "Click" does not depend on the look.
    ok->Click();
    EXPECT_EQ(okClicks, 1);
}

TEST(Handlers, FailuresOfOperatorActionsGoToTheHandlerAndOfCodeToTheCaller) {
    std::vector<std::string> reported;
    TForm form(nullptr, "formRecords");
    form.SetExceptionHandler([&](const std::string& m) { reported.push_back(m); });
    auto* btn = new TButton(&form, "Button1");
    btn->OnClick = [](QObject*) { throw EConvertError("\"\" не является целым числом"); };
    EXPECT_THROW(btn->Click(), EConvertError);
    EXPECT_TRUE(reported.empty());
    btn->resize(60, 20);
    ClickMouse(btn, QPoint(30, 10));
    EXPECT_EQ(reported, (std::vector<std::string>{"\"\" не является целым числом"}));

    // A change from code hands the handler's failure to the caller, after
    // the widget is done with it; the operator's change reports it.
    auto* e = new TEdit(&form, "etAddr");
    int changes = 0;
    e->OnChange = [&](QObject*) {
        ++changes;
        throw std::runtime_error("change failed");
    };
    EXPECT_THROW(e->SetText("1"), std::runtime_error);
    EXPECT_EQ(e->Text(), "1");
    EXPECT_EQ(reported.size(), 1u);
    TypeText(e, "2");
    EXPECT_EQ(e->Text(), "12");
    EXPECT_EQ(reported.back(), "change failed");
    EXPECT_EQ(changes, 2);

    auto* cb = new TCheckBox(&form, "CheckBox3");
    cb->OnClick = [](QObject*) { throw EConvertError("x"); };
    EXPECT_THROW(cb->SetChecked(true), EConvertError);
    EXPECT_TRUE(cb->Checked());
}

TEST(MouseMoves, ReachControlsAndContainersWithoutAButtonButStopAtTheControl) {
    TForm page(nullptr, "formAcc");
    page.resize(300, 200);
    auto* scroll = new TScrollBox(&page, "ScrollBox1");
    auto* group = new TGroupBox(&page, "GroupBox3");
    auto* grid = new QGridLayout(group);
    auto* spin = new TSpinEdit(&page, "seACCCheckTime", group);
    auto* label = new TLabel(&page, "Label12", group);
    auto* panel = new TPanel(&page, "pPowerState", group);
    grid->addWidget(label, 0, 0);
    grid->addWidget(spin, 0, 1);
    grid->addWidget(panel, 1, 1);
    grid->setRowStretch(2, 1);
    scroll->SetContent(group);
    scroll->resize(300, 200);
    page.show();

    std::vector<std::string> seen;
    auto hook = [&](QObject* sender, QPoint) { seen.push_back(ComponentInfoOf(sender)->Name()); };
    for (auto* w : std::initializer_list<QObject*>{scroll, group, spin, label, panel}) {
        if (auto* c = dynamic_cast<TControlT<QScrollArea>*>(w))
            c->OnMouseMove = hook;
        if (auto* c = dynamic_cast<TControlT<QGroupBox>*>(w))
            c->OnMouseMove = hook;
        if (auto* c = dynamic_cast<TControlT<QSpinBox>*>(w))
            c->OnMouseMove = hook;
        if (auto* c = dynamic_cast<TControlT<QLabel>*>(w))
            c->OnMouseMove = hook;
        if (auto* c = dynamic_cast<TControlT<QFrame>*>(w))
            c->OnMouseMove = hook;
    }
    // Over the edit inside the spin box, over the spin box's own frame, over
    // the panel, over the empty part of the group box.
    QWidget* inner = spin->findChild<QLineEdit*>();
    MoveMouse(inner, QPoint(2, 2));
    MoveMouse(panel, QPoint(2, 2));
    MoveMouse(group, QPoint(group->width() - 2, group->height() - 2));
    EXPECT_EQ(seen, (std::vector<std::string>{"seACCCheckTime", "pPowerState", "GroupBox3"}));

    // The scroll box gets moves over its own empty area.
    seen.clear();
    scroll->SetContent(nullptr);
    MoveMouse(scroll->viewport(), QPoint(5, 5));
    EXPECT_EQ(seen, (std::vector<std::string>{"ScrollBox1"}));
}

TEST(Snapshots, VisibleAndEnabledFollowEveryWayOfChangingThem) {
    TForm form(nullptr, "Form1");
    auto* tv = new TTreeView(&form, "tv1");
    auto* btn = new TToolButton(&form, "tbtnDisconnect");
    EXPECT_TRUE(tv->Visible());
    EXPECT_FALSE(form.Visible()); // a window is hidden until shown
    form.show();
    EXPECT_TRUE(form.Visible());
    tv->hide();
    EXPECT_FALSE(tv->Visible());
    SetControlVisible(tv, true);
    EXPECT_TRUE(tv->Visible());
    btn->setEnabled(false);
    EXPECT_FALSE(btn->Enabled());
    SetControlEnabled(btn, true);
    EXPECT_TRUE(btn->Enabled());
    // The control's own state, even while its parent is disabled.
    form.setEnabled(false);
    SetControlEnabled(btn, false);
    form.setEnabled(true);
    EXPECT_FALSE(btn->Enabled());
    EXPECT_FALSE(btn->isEnabled());
    form.close();
    EXPECT_FALSE(form.Visible());
}
