#include "gui/screenshots.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QInputDialog>
#include <QMessageBox>
#include <QPixmap>
#include <QTabWidget>
#include <cstdio>

#include "gui/frm_about.h"
#include "gui/frm_msr.h"
#include "gui/frm_pre_post.h"
#include "gui/frm_waiting.h"
#include "gui/gui_session.h"

namespace tavrin::gui {

namespace {

void settle(int ms) {
    QElapsedTimer timer;
    timer.start();
    do {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    } while (timer.elapsed() < ms);
}

bool save(QWidget& widget, const QDir& dir, const QString& name, int& failures) {
    settle(60);
    const QString path = dir.filePath(name + ".png");
    if (!widget.grab().save(path, "PNG")) {
        std::fprintf(stderr, "tavrin: cannot write %s\n", qPrintable(path));
        ++failures;
        return false;
    }
    std::printf("%s\n", qPrintable(path));
    return true;
}

}  // namespace

int takeScreenshots(GuiSession& session, const QString& folder) {
    QDir dir(folder);
    if (!dir.mkpath(".")) {
        std::fprintf(stderr, "tavrin: cannot make the folder %s\n", qPrintable(folder));
        return 1;
    }
    int failures = 0;
    if (!session.start()) {
        std::fprintf(stderr, "tavrin: the window ended during start-up\n");
        return 1;
    }
    frmMsr& frm = session.window();
    const char* tabNames[3] = {"frmMsr_msr_basic", "frmMsr_msr_1", "frmMsr_msr_2"};
    for (int tab = 0; tab < 3; ++tab) {
        frm.SSTab2->setCurrentIndex(tab);
        save(frm, dir, tabNames[tab], failures);
    }
    frm.SSTab2->setCurrentIndex(1);

    {
        frmPrePost dialog(&frm);
        platform::PrePostRequest request;
        request.text = "AB{ENTER}";
        request.limitPrompt = "Please enter less than 8 characters";
        dialog.Form_Load(request);
        dialog.show();
        save(dialog, dir, "frmPrePost_characters", failures);
        request.text = "<64>";
        request.scanCodeForm = true;
        request.limitPrompt = "Please enter less than 8 scan codes";
        dialog.Form_Load(request);
        save(dialog, dir, "frmPrePost_scan_codes", failures);
        dialog.hide();
    }

    frm.About_Click();
    save(frm.about(), dir, "frmAbout", failures);
    frm.about().hide();

    QtOperatorDialogs& dialogs = session.dialogs();
    dialogs.ShowWaiting();
    save(dialogs.waiting(), dir, "frmWaiting", failures);
    dialogs.SetWaitingProgress(0.6);
    save(dialogs.waiting(), dir, "frmWaiting_progress", failures);
    dialogs.CloseWaiting();

    {
        auto box = makeInputBox(&frm, "Please input 1 or 2 digit (0-9, 00-99)", "Input", "25");
        box->show();
        save(*box, dir, "InputBox_number", failures);
    }
    struct Message {
        const char* name;
        const char* text;
        const char* title;
        platform::MsgIcon icon;
        platform::MsgButtons buttons;
    };
    const Message messages[] = {
        {"MsgBox_write_successful", "Write to EEPROM Successful!", "Message",
         platform::MsgIcon::Information, platform::MsgButtons::Ok},
        {"MsgBox_read_error", "Read setting from EEPROM error! Please check MSR device. ",
         "Message", platform::MsgIcon::Error, platform::MsgButtons::Ok},
        {"MsgBox_reset_question", "Are you sure to reset EEPROM to default?", "Message",
         platform::MsgIcon::Information, platform::MsgButtons::YesNo},
        {"MsgBox_number_error", "Please input 1 or 2 digit (0-9, 00-99)", "Error",
         platform::MsgIcon::Error, platform::MsgButtons::Ok},
        {"MsgBox_sysinfo", "System Information Is Unavailable At This Time", "",
         platform::MsgIcon::None, platform::MsgButtons::Ok},
    };
    for (const Message& m : messages) {
        auto box = makeMsgBox(&frm, m.text, m.title, m.icon, m.buttons);
        box->show();
        save(*box, dir, m.name, failures);
    }

    session.msrWindow().Form_Unload();
    return failures == 0 ? 0 : 1;
}

}  // namespace tavrin::gui
