#pragma once

#include "profile/Profile.h"
#include "ui/WindowRun.h"

#include <QObject>
#include <functional>

class QAction;
class QMenu;
class QMenuBar;
class QProgressDialog;
class TForm1;
class TrafficLog;
class TrafficLogPanel;

// The window's "Converter" and "View" menus: read a whole converter, write a profile to
// it, compare it with a profile, save what was read, and the traffic log panel.
class ProfileMenus : public QObject {
    Q_OBJECT

public:
    explicit ProfileMenus(TForm1& window);

    QMenuBar* bar() const { return bar_; }
    // The Converter menu, whose runs need the port: off while another run holds it.
    QMenu* converterMenu() const { return converter_; }
    TrafficLog& log();
    WindowRun& run() { return run_; }

    void readConverter();
    void writeConverter();
    void compareWithProfile();
    void saveProfile();
    void saveLog();
    // The converter's settings as the pages show them, as a profile document: the windows
    // that need them (the register map, the report, Live Values) take this rather than the
    // controls. The pages show one device slot; the others are known only from a whole read.
    Profile windowSettings() const;
    // The register map of those settings.
    void showRegisterMap();
    // The commissioning report of those settings, with snapshots and records.
    void showReport();
    // The device slot the MODBUS page shows, whose settings the pages hold.
    int shownSlot() const;

    // Asks for a file name (save: for writing); empty when the user cancels. Tests replace it.
    std::function<QString(const QString& caption, bool save)> chooseFile;

private:
    enum class After { Keep, Compare };
    void startRead(After after);
    void showProgress(int count, const QString& title);
    void onFinished(bool ok, const QString& message);
    std::optional<Profile> openProfile();
    void attachBar();

    TForm1& window_;
    WindowRun run_;
    QMenuBar* bar_;
    QMenu* converter_;
    QAction* saveProfile_;
    TrafficLogPanel* logPanel_;
    QProgressDialog* progress_ = nullptr;
    After after_ = After::Keep;
    bool writing_ = false;
    Profile wanted_; // the profile being written or compared
    Profile read_;   // the last whole converter read
};
