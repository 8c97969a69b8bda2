// The operator's dialogs on Qt, driven as the operator would while they are
// up: frmPrePost, the message and input boxes, the file dialogs and
// frmWaiting.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <functional>

#include "gui/frm_pre_post.h"
#include "gui/frm_waiting.h"
#include "gui/qt_dialogs.h"
#include "support/table.h"
#include "support/temp_dir.h"

namespace tavrin::test {
namespace {

using platform::MsgAnswer;
using platform::MsgButtons;
using platform::MsgIcon;
using platform::PrePostRequest;
using ::testing::ElementsAre;

// Runs fn on the modal dialog, of class D, as soon as it is up. A dialog
// that never comes up leaves fn unrun, and the test's checks on its effects
// fail; one of another class fails the test; one that fn leaves open is
// closed after a while, failing the test instead of hanging it.
template <class D, class F>
void whenModal(F fn) {
    auto* timer = new QTimer;
    auto tries = std::make_shared<int>(0);
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, [timer, tries, fn] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            timer->stop();
            timer->deleteLater();
            QPointer<QWidget> dialog(modal);
            [&] {
                auto* d = qobject_cast<D*>(modal);
                ASSERT_NE(d, nullptr);
                fn(d);
            }();
            QTimer::singleShot(3000, [dialog] {
                if (dialog && dialog->isVisible()) {
                    ADD_FAILURE() << "the dialog was left open";
                    if (auto* d = qobject_cast<QDialog*>(dialog.data())) {
                        d->done(QDialog::Rejected);
                    }
                }
            });
        } else if (++*tries > 400) {
            timer->stop();
            timer->deleteLater();
        }
    });
    timer->start();
}

// Types a whole path into the file dialog's name box and presses its
// Open or Save button.
void chooseFile(QFileDialog* d, const std::string& path) {
    auto* name = d->findChild<QLineEdit*>("fileNameEdit");
    ASSERT_NE(name, nullptr);
    name->setText(QString::fromStdString(path));
    static_cast<QDialog*>(d)->accept();  // as the Open/Save button does
}

std::vector<std::string> entries(QListWidget* list) {
    std::vector<std::string> out;
    for (int k = 0; k < list->count(); ++k) {
        out.push_back(list->item(k)->text().toStdString());
    }
    return out;
}

// A double click as the system delivers it: press, release, double-click
// press, release, on the entry's row.
void doubleClickEntry(QListWidget* list, int row) {
    list->doItemsLayout();  // rows have no place before the list's first layout
    const QPointF at = list->visualItemRect(list->item(row)).center();
    QWidget* target = list->viewport();
    const QPointF global = target->mapToGlobal(at);
    for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease,
                              QEvent::MouseButtonDblClick, QEvent::MouseButtonRelease}) {
        const bool release = type == QEvent::MouseButtonRelease;
        QMouseEvent event(type, at, global, Qt::LeftButton, release ? Qt::NoButton : Qt::LeftButton,
                          Qt::NoModifier);
        QApplication::sendEvent(target, &event);
    }
}

PrePostRequest request(std::string text, bool scanCodes,
                       std::string prompt = "Please enter less than 8 characters") {
    PrePostRequest r;
    r.text = std::move(text);
    r.scanCodeForm = scanCodes;
    r.limitPrompt = std::move(prompt);
    return r;
}

// ---- frmPrePost ---------------------------------------------------------

struct PrePostCase {
    const char* name;
    PrePostRequest in;
    std::function<void(gui::frmPrePost*)> operate;  // the operator, while it is up
    std::string text;                               // what the caller gets back
    bool cancelled;
    friend void PrintTo(const PrePostCase& c, std::ostream* os) { *os << c.name; }
};

class PrePostShown : public ::testing::TestWithParam<PrePostCase> {};

TEST_P(PrePostShown, TheOperatorsAnswerReachesTheCaller) {
    const PrePostCase& c = GetParam();
    gui::QtOperatorDialogs dialogs;
    PrePostRequest r = c.in;
    bool seen = false;
    whenModal<gui::frmPrePost>([&](gui::frmPrePost* d) {
        seen = true;
        c.operate(d);
    });
    dialogs.ShowPrePost(r);
    EXPECT_TRUE(seen);
    EXPECT_EQ(r.text, c.text);
    EXPECT_EQ(r.cancelled, c.cancelled);
}

const PrePostCase kPrePostCases[] = {
    {"CharacterFormShowsTheDesignTextsAndTheCallersText", request("AB{ENTER}", false),
     [](gui::frmPrePost* d) {
         EXPECT_EQ(d->windowTitle(), "Preamble Postamble characters input");
         EXPECT_EQ(d->lblPrePost->text(), "Please input preamble or postamble characters:");
         EXPECT_EQ(d->txtPrePost->text(), "AB{ENTER}");
         EXPECT_THAT(entries(d->lstPrePost),
                     ElementsAre("{BACKSPACE}", "{TAB}", "{ENTER}", "{ESC}"));
         EXPECT_EQ(d->Labeldes->text(), "Please enter less than 8 characters");
         EXPECT_TRUE(d->Labeldes->wordWrap());
         EXPECT_EQ(d->size(), QSize(305, 308));
         EXPECT_EQ(d->cmdOK->text(), "OK");
         EXPECT_EQ(d->cmdCancel->text(), "Cancel");
         EXPECT_FALSE(d->cmdOK->isDefault() || d->cmdOK->autoDefault());
         EXPECT_FALSE(d->cmdCancel->isDefault() || d->cmdCancel->autoDefault());
         EXPECT_TRUE(d->isModal());
         QTest::mouseClick(d->cmdOK, Qt::LeftButton);
     },
     "AB{ENTER}", false},
    {"ScanCodeFormHasItsOwnCaptionPromptAndExamples",
     request("<64>", true, "Please enter less than 6 scan codes"),
     [](gui::frmPrePost* d) {
         EXPECT_EQ(d->windowTitle(), "Preamble Postamble scan code input");
         EXPECT_EQ(d->lblPrePost->text(), "Please input Preamble / Postamble scan code.");
         EXPECT_THAT(entries(d->lstPrePost), ElementsAre("Example ", "<62><E2> "));
         EXPECT_EQ(d->Labeldes->text(), "Please enter less than 6 scan codes");
         // Double-clicking an example appends it as it is, trailing space too.
         doubleClickEntry(d->lstPrePost, 1);
         QTest::mouseClick(d->cmdOK, Qt::LeftButton);
     },
     "<64><62><E2> ", false},
    {"DoubleClickAppendsAtTheEndNotAtTheCaret", request("A", false),
     [](gui::frmPrePost* d) {
         for (int k = 0; k < 2; ++k) {
             d->txtPrePost->setCursorPosition(0);
             doubleClickEntry(d->lstPrePost, 1);
         }
         EXPECT_EQ(d->txtPrePost->text(), "A{TAB}{TAB}");
         QTest::mouseClick(d->cmdOK, Qt::LeftButton);
     },
     "A{TAB}{TAB}", false},
    {"EnterInTheTextBoxActsAsOk", request("", false),
     [](gui::frmPrePost* d) {
         QTest::keyClicks(d->txtPrePost, "XY");
         QTest::keyClick(d->txtPrePost, Qt::Key_Return);
     },
     "XY", false},
    {"EscapeDoesNotCancelAndCancelKeepsTheText", request("old", false),
     [](gui::frmPrePost* d) {
         QTest::keyClicks(d->txtPrePost, "new");
         QTest::keyClick(d->txtPrePost, Qt::Key_Escape);
         QTest::keyClick(d->lstPrePost, Qt::Key_Escape);
         EXPECT_TRUE(d->isVisible());
         QTest::mouseClick(d->cmdCancel, Qt::LeftButton);
     },
     "old", true},
    {"ClosingAnyOtherWayIsNeitherOkNorCancel", request("old", false),
     [](gui::frmPrePost* d) {
         QTest::keyClicks(d->txtPrePost, "typed");
         d->close();  // the close box
     },
     "old", false},
    {"OkWithAnEmptyBoxGivesTheEmptyText", request("old", false),
     [](gui::frmPrePost* d) {
         d->txtPrePost->clear();
         QTest::mouseClick(d->cmdOK, Qt::LeftButton);
     },
     "", false},
    // A character 1252 lacks becomes '?'.
    {"TextsTravelInTheAnsiCodePage", request("caf\xE9", false),
     [](gui::frmPrePost* d) {
         EXPECT_EQ(d->txtPrePost->text(), QString::fromUtf8("caf\u00E9"));
         d->txtPrePost->setText(d->txtPrePost->text() + QString::fromUtf8("\u20AC\u4E2D"));
         QTest::mouseClick(d->cmdOK, Qt::LeftButton);
     },
     "caf\xE9\x80?", false},
};
INSTANTIATE_TEST_SUITE_P(Rows, PrePostShown, ::testing::ValuesIn(kPrePostCases), RowName{});

TEST(PrePostDialog, EveryShowingStartsFromTheDesign) {
    gui::frmPrePost d;
    d.Form_Load(request("<64>", true));
    d.Form_Load(request("x", false));
    EXPECT_EQ(d.windowTitle(), "Preamble Postamble characters input");
    EXPECT_EQ(d.lstPrePost->count(), 4);
    EXPECT_EQ(d.txtPrePost->text(), "x");
}

// ---- Message and input boxes ---------------------------------------------

struct BoxCase {
    const char* name;
    std::string text, title;
    MsgIcon icon;
    MsgButtons buttons;
    QMessageBox::StandardButton click;  // NoButton: the operator presses Escape
    MsgAnswer answer;
    QString titleShown;
    QMessageBox::Icon iconShown;
    friend void PrintTo(const BoxCase& c, std::ostream* os) { *os << c.name; }
};

class MessageBoxes : public ::testing::TestWithParam<BoxCase> {};

TEST_P(MessageBoxes, TextTitleIconAndButtonsAsAskedAndTheOperatorsAnswer) {
    const BoxCase& c = GetParam();
    gui::QtOperatorDialogs dialogs;
    QString title, text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons;
    whenModal<QMessageBox>([&](QMessageBox* box) {
        title = box->windowTitle();
        text = box->text();
        icon = box->icon();
        buttons = box->standardButtons();
        if (c.click == QMessageBox::NoButton) {
            QTest::keyClick(box, Qt::Key_Escape);
        } else {
            box->button(c.click)->click();
        }
    });
    EXPECT_EQ(dialogs.MsgBox(c.text, c.title, c.icon, c.buttons), c.answer);
    EXPECT_EQ(title, c.titleShown);
    EXPECT_EQ(text, QString::fromStdString(c.text));
    EXPECT_EQ(icon, c.iconShown);
    EXPECT_EQ(buttons, c.buttons == MsgButtons::Ok ? QMessageBox::StandardButtons(QMessageBox::Ok)
                                                   : QMessageBox::Yes | QMessageBox::No);
}

const char* const kResetQuestion = "Are you sure to reset EEPROM to default?";
const BoxCase kBoxCases[] = {
    {"Information", "Write to EEPROM Successful!", "Message", MsgIcon::Information, MsgButtons::Ok,
     QMessageBox::Ok, MsgAnswer::Ok, "Message", QMessageBox::Information},
    {"Error", "File not found!", "Message", MsgIcon::Error, MsgButtons::Ok, QMessageBox::Ok,
     MsgAnswer::Ok, "Message", QMessageBox::Critical},
    // No title: the program's own.
    {"NoIconNoTitle", "System Information Is Unavailable At This Time", "", MsgIcon::None,
     MsgButtons::Ok, QMessageBox::Ok, MsgAnswer::Ok, "Tavrin", QMessageBox::NoIcon},
    {"Yes", kResetQuestion, "Message", MsgIcon::Information, MsgButtons::YesNo, QMessageBox::Yes,
     MsgAnswer::Yes, "Message", QMessageBox::Information},
    {"No", "Do you want to set EEPROM as Vantero OPOS default?", "Message", MsgIcon::Information,
     MsgButtons::YesNo, QMessageBox::No, MsgAnswer::No, "Message", QMessageBox::Information},
    {"EscapeIsNo", kResetQuestion, "Message", MsgIcon::Information, MsgButtons::YesNo,
     QMessageBox::NoButton, MsgAnswer::No, "Message", QMessageBox::Information},
};
INSTANTIATE_TEST_SUITE_P(Rows, MessageBoxes, ::testing::ValuesIn(kBoxCases), RowName{});

TEST(InputBox, PromptTitleDefaultAndAnswer) {
    gui::QtOperatorDialogs dialogs;
    QString label, title, preset;
    whenModal<QInputDialog>([&](QInputDialog* box) {
        label = box->labelText();
        title = box->windowTitle();
        preset = box->textValue();
        box->setTextValue(" 25 ");
        box->accept();
    });
    EXPECT_EQ(dialogs.InputBox("Please input 1 or 2 digit (0-9, 00-99)", "Input", "7"), " 25 ");
    EXPECT_EQ(label, "Please input 1 or 2 digit (0-9, 00-99)");
    EXPECT_EQ(title, "Input");
    EXPECT_EQ(preset, "7");

    whenModal<QInputDialog>([](QInputDialog* box) {
        box->setTextValue("99");
        box->reject();
    });
    EXPECT_EQ(dialogs.InputBox("Please input 1 or 2 digit (0-9, 00-99)", "Input", "7"), "");
}

// ---- File dialogs --------------------------------------------------------

TEST(FileDialogs, AnyFileFilterAndCancelGivesAnEmptyName) {
    gui::QtOperatorDialogs dialogs;
    QStringList filters;
    QFileDialog::AcceptMode mode = QFileDialog::AcceptSave;
    whenModal<QFileDialog>([&](QFileDialog* d) {
        filters = d->nameFilters();
        mode = d->acceptMode();
        d->reject();
    });
    EXPECT_EQ(dialogs.GetOpenFileName(), "");
    EXPECT_THAT(filters, ElementsAre(gui::kAnyFileFilter));
    EXPECT_EQ(mode, QFileDialog::AcceptOpen);

    whenModal<QFileDialog>([&](QFileDialog* d) {
        mode = d->acceptMode();
        d->reject();
    });
    EXPECT_EQ(dialogs.GetSaveFileName(), "");
    EXPECT_EQ(mode, QFileDialog::AcceptSave);
}

TEST(FileDialogs, ChosenNamesComeBackWithoutAnOverwriteQuestion) {
    TempDir dir;
    dir.write("existing.set", {1, 2, 3});
    gui::QtOperatorDialogs dialogs;
    const std::string existing = dir.file("existing.set");
    bool confirmOff = false;
    whenModal<QFileDialog>([&](QFileDialog* d) {
        confirmOff = d->testOption(QFileDialog::DontConfirmOverwrite);
        chooseFile(d, existing);
    });
    EXPECT_EQ(dialogs.GetSaveFileName(), existing);
    EXPECT_TRUE(confirmOff);

    // Open takes a name that does not exist: the load reports it.
    const std::string missing = dir.file("missing.set");
    whenModal<QFileDialog>([&](QFileDialog* d) { chooseFile(d, missing); });
    EXPECT_EQ(dialogs.GetOpenFileName(), missing);
}

// ---- frmWaiting ---------------------------------------------------------

TEST(WaitingDialog, ShownWithoutBlockingClosedByItsOperation) {
    gui::QtOperatorDialogs dialogs;
    EXPECT_FALSE(dialogs.waitingShown());
    dialogs.ShowWaiting();  // returns at once: not modal
    gui::frmWaiting& w = dialogs.waiting();
    EXPECT_TRUE(dialogs.waitingShown());
    EXPECT_FALSE(w.isModal());
    EXPECT_EQ(w.windowTitle(), "Waiting");
    EXPECT_EQ(w.Label1->text(), "Processing,");
    EXPECT_EQ(w.Label2->text(), "please wait .......");
    EXPECT_TRUE(w.progressBar->isHidden());
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);

    // The operator cannot close it.
    EXPECT_FALSE(w.close());
    QTest::keyClick(&w, Qt::Key_Escape);
    EXPECT_TRUE(dialogs.waitingShown());

    dialogs.CloseWaiting();
    EXPECT_FALSE(dialogs.waitingShown());
    dialogs.CloseWaiting();  // closing twice is harmless
    EXPECT_FALSE(dialogs.waitingShown());
}

TEST(WaitingDialog, ProgressBarFollowsTheOperation) {
    gui::QtOperatorDialogs dialogs;
    dialogs.SetWaitingProgress(0.5);  // not shown: nothing to do
    dialogs.ShowWaiting();
    gui::frmWaiting& w = dialogs.waiting();
    EXPECT_TRUE(w.progressBar->isHidden());
    dialogs.SetWaitingProgress(0.25);
    EXPECT_FALSE(w.progressBar->isHidden());
    EXPECT_EQ(w.progressBar->maximum(), 1000);
    EXPECT_EQ(w.progressBar->value(), 250);
    dialogs.SetWaitingProgress(7.0);
    EXPECT_EQ(w.progressBar->value(), 1000);
    dialogs.SetWaitingProgress(-1);  // length unknown: a busy bar
    EXPECT_EQ(w.progressBar->maximum(), 0);
    dialogs.CloseWaiting();
    dialogs.ShowWaiting();  // a new showing starts without a bar
    EXPECT_TRUE(w.progressBar->isHidden());
    dialogs.CloseWaiting();
}

}  // namespace
}  // namespace tavrin::test
