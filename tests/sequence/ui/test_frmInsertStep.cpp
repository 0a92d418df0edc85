#include "common/InitialSettings.h"
#include "sequence/ui/frmInsertStep.h"
#include "sequence/ui/frmNameSeq.h"

#include "support/QStringPrinter.h"
#include "support/ScriptedMessenger.h"

#include <gtest/gtest.h>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

namespace {

struct Typed {
    QString time, temp, tempError, shearRate;
};

void type(frmInsertStep& d, const Typed& t) {
    d.txtTime->setText(t.time);
    d.txtTemp->setText(t.temp);
    d.txtTempError->setText(t.tempError);
    d.txtShearrate->setText(t.shearRate);
}

TEST(frmInsertStepDialog, OpensWithItsCaptionsAndBeforeChosen) {
    ScriptedMessenger messenger;
    frmInsertStep d(messenger, {"4", UnitSystem::EI});
    EXPECT_EQ(d.windowTitle(), "Insert Step");
    EXPECT_EQ(d.lblHeading->text(), "Please input test parameters:");
    EXPECT_EQ(d.txtStepNo->text(), "4");
    EXPECT_EQ(d.cmbBeforeAfter->count(), 2);
    EXPECT_EQ(d.cmbBeforeAfter->currentText(), "before");
    EXPECT_TRUE(d.Before);
    EXPECT_FALSE(d.CancelInp);
    EXPECT_EQ(d.txtTime->toolTip(), "Enter a number >0 and <6300");
    EXPECT_EQ(d.lblTemp->text(), "Temp (°F)");
    EXPECT_EQ(d.cmdOk->text(), "&OK");
    EXPECT_EQ(d.cmdCancel->text(), "&Cancel");

    d.cmbBeforeAfter->setCurrentIndex(1);
    EXPECT_FALSE(d.Before);

    frmInsertStep si(messenger, {"1", UnitSystem::SI});
    EXPECT_EQ(si.lblTemp->text(), "Temp (°C)");
}

struct OkCase {
    const char* name;
    UnitSystem unitSystem;
    Typed typed;
    QString text;  // empty: accepted
    QString title;
    QLineEdit* frmInsertStep::*focus;
};

TEST(frmInsertStepDialog, OkRefusesTheFirstBadFieldAndPutsTheFocusThere) {
    const OkCase cases[] = {
        {"time",
         UnitSystem::EI,
         {"-1", "200", "5", "100"},
         "Invalid time inpute.",
         "Time input out range",
         &frmInsertStep::txtTime},
        {"temperature",
         UnitSystem::SI,
         {"30", "300", "5", "100"},
         "Invalid temperature inpute.",
         "Temperature input out range",
         &frmInsertStep::txtTemp},
        {"shear rate",
         UnitSystem::EI,
         {"30", "200", "5", "20000"},
         "Invalid shear rate inpute.",
         "Shear rate input out range",
         &frmInsertStep::txtShearrate},
    };
    for (const OkCase& c : cases) {
        ScriptedMessenger messenger;
        frmInsertStep d(messenger, {"1", c.unitSystem});
        type(d, c.typed);
        d.cmdOk->click();
        ASSERT_EQ(messenger.shown.size(), 1) << c.name;
        EXPECT_EQ(messenger.shown[0].text, c.text);
        EXPECT_EQ(messenger.shown[0].title, c.title);
        EXPECT_EQ(d.focusWidget(), d.*c.focus) << c.name;
        EXPECT_EQ(d.result(), QDialog::Rejected);
    }
}

TEST(frmInsertStepDialog, OkKeepsTheNumbersAsTypedInTheDialogsUnit) {
    ScriptedMessenger messenger;
    const InsertStepRequest request{"2", UnitSystem::SI};
    QTimer::singleShot(0, [] {
        auto* d = qobject_cast<frmInsertStep*>(QApplication::activeModalWidget());
        ASSERT_NE(d, nullptr);
        type(*d, {"45", "232.2", "3 F", "511abc"});
        d->cmbBeforeAfter->setCurrentIndex(1);
        d->cmdOk->click();
    });
    const InsertStepAnswer a = frmInsertStep::ask(messenger, request, nullptr);
    EXPECT_TRUE(messenger.shown.isEmpty());
    EXPECT_FALSE(a.CancelInp);
    EXPECT_FALSE(a.Before);
    EXPECT_EQ(a.time, 45);
    EXPECT_EQ(a.Temp, 232.2);
    EXPECT_EQ(a.TempError, 3);
    EXPECT_EQ(a.ShearRate, 511);
}

TEST(frmInsertStepDialog, CancelOrTheCloseBoxCountsAsCancelled) {
    ScriptedMessenger messenger;
    for (bool closeBox : {false, true}) {
        QTimer::singleShot(0, [closeBox] {
            auto* d = qobject_cast<frmInsertStep*>(QApplication::activeModalWidget());
            ASSERT_NE(d, nullptr);
            type(*d, {"30", "200", "5", "100"});
            closeBox ? (void)d->close() : d->cmdCancel->click();
        });
        EXPECT_TRUE(frmInsertStep::ask(messenger, {"1", UnitSystem::EI}, nullptr).CancelInp) << closeBox;
    }
    EXPECT_TRUE(messenger.shown.isEmpty());
}

TEST(frmInsertStepDialog, LeavingTheShearRateFieldChecksUpToNinetyThousand) {
    ScriptedMessenger messenger;
    frmInsertStep d(messenger, {"1", UnitSystem::EI});
    d.show();
    d.txtShearrate->setText("20000");
    d.txtShearrate_LostFocus();
    EXPECT_TRUE(messenger.shown.isEmpty());
    d.txtShearrate->setText("90001");
    d.txtShearrate_LostFocus();
    ASSERT_EQ(messenger.shown.size(), 1);
    EXPECT_EQ(messenger.shown[0].text, "Invalid shear rate inpute.");
    EXPECT_EQ(messenger.shown[0].title, "Shear rate input out of range. Please try again.");
    EXPECT_EQ(d.focusWidget(), d.txtShearrate);
}

TEST(frmNameSeqDialog, ListsTheNamesAndReportsTheChoice) {
    frmNameSeq d;
    EXPECT_EQ(d.windowTitle(), "Naming the Test");
    EXPECT_EQ(d.lblHeading->text(), "Please select available test sequence name:");
    d.fillNames({"Alpha", "Beta"});
    EXPECT_EQ(d.selectedName(), "Alpha");
    d.lstSeqName->setCurrentRow(1);
    QSignalSpy chosen(&d, &frmNameSeq::SelectedTestName);
    d.cmdOk->click();
    EXPECT_EQ(chosen.count(), 1);
    EXPECT_EQ(d.selectedName(), "Beta");

    d.show();
    d.cmdCancel->click();
    EXPECT_FALSE(d.isVisible());
    EXPECT_EQ(chosen.count(), 1);
    d.fillNames({});
    EXPECT_EQ(d.selectedName(), "");
}

}  // namespace
