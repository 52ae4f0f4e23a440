#include "ui/ProfileMenus.h"

#include "exchange/Exchange.h"
#include "exchange/TrafficLog.h"
#include "ui/ProfileComparison.h"
#include "ui/RegisterMapDialog.h"
#include "ui/ReportDialog.h"
#include "ui/TForm1.h"
#include "ui/TrafficLogPanel.h"
#include "ui/WindowSettings.h"
#include "ui/instrument/InstrumentEntry.h"
#include "ui/live/LiveValues.h"

#include "files/ReadFile.h"
#include "files/SaveFile.h"
#include "pages/modbus/ModbusPage.h"
#include "serial/Comm.h"

#include <QComboBox>
#include <QDateTime>
#include <QFile>
#include <QFileDialog>
#include <QLayout>
#include <QMenu>
#include <QMenuBar>
#include <QProgressDialog>

namespace {

// A failed save leaves the old file as it was and says why, in a box.
bool saveText(const QString& path, const QByteArray& bytes, MessageSink& messages)
{
    const QString failed = SaveFile::save(QFile::encodeName(path), bytes);
    if (failed.isEmpty()) return true;
    messages.error(QStringLiteral("The file was not saved."), failed);
    return false;
}

} // namespace

ProfileMenus::ProfileMenus(TForm1& window)
    : QObject(&window), window_(window), run_(window)
{
    chooseFile = [this](const QString& caption, bool save) {
        const QString filter = caption == u"Save Log" ? QStringLiteral("Traffic logs (*.log *.txt);;All files (*)")
                                                      : QStringLiteral("Profiles (*.json);;All files (*)");
        return save ? QFileDialog::getSaveFileName(&window_, caption, QString(), filter)
                    : QFileDialog::getOpenFileName(&window_, caption, QString(), filter);
    };

    bar_ = new QMenuBar(&window);
    bar_->setObjectName("MenuBar");
    converter_ = bar_->addMenu(QStringLiteral("&Converter"));
    converter_->addAction(QStringLiteral("Read Converter…"), this, &ProfileMenus::readConverter);
    converter_->addAction(QStringLiteral("Write Converter…"), this, &ProfileMenus::writeConverter);
    converter_->addAction(QStringLiteral("Compare with Profile…"), this, &ProfileMenus::compareWithProfile);
    converter_->addSeparator();
    saveProfile_ = converter_->addAction(QStringLiteral("Save Profile…"), this, &ProfileMenus::saveProfile);
    saveProfile_->setEnabled(false); // until a whole converter has been read
    converter_->addSeparator();
    converter_->addAction(QStringLiteral("Register Map…"), this, &ProfileMenus::showRegisterMap);
    converter_->addAction(QStringLiteral("Commissioning Report…"), this, &ProfileMenus::showReport);

    logPanel_ = new TrafficLogPanel(window.trafficLog(), &window);
    logPanel_->onSave = [this] { saveLog(); };
    QMenu* view = bar_->addMenu(QStringLiteral("&View"));
    QAction* showLog = view->addAction(QStringLiteral("Traffic Log"));
    showLog->setCheckable(true);
    connect(showLog, &QAction::toggled, logPanel_, &QWidget::setVisible);
    view->addAction(QStringLiteral("Save Log…"), this, &ProfileMenus::saveLog);
    new LiveValues(window, *view, this);
    new InstrumentEntry(window, *view, this);

    connect(&run_, &WindowRun::progress, this, [this](int step, int, const QString& what) {
        if (!progress_) return;
        progress_->setValue(step - 1);
        progress_->setLabelText(what);
    });
    connect(&run_, &WindowRun::finished, this, &ProfileMenus::onFinished);
    attachBar();
}

TrafficLog& ProfileMenus::log() { return window_.trafficLog(); }

void ProfileMenus::attachBar()
{
    if (QLayout* layout = window_.layout()) {
        layout->setMenuBar(bar_);
        return;
    }
    // A window of placed controls: make room at the top.
    const int h = bar_->sizeHint().height();
    for (QWidget* child : window_.findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly))
        if (child != bar_ && !child->isWindow()) child->move(child->x(), child->y() + h);
    bar_->setGeometry(0, 0, window_.width(), h);
    if (window_.minimumHeight() == window_.maximumHeight()) window_.setFixedHeight(window_.height() + h);
    else window_.resize(window_.width(), window_.height() + h);
}

void ProfileMenus::showProgress(int count, const QString& title)
{
    delete progress_;
    progress_ = new QProgressDialog(title, QStringLiteral("Cancel"), 0, count, &window_);
    progress_->setWindowTitle(title);
    progress_->setWindowModality(Qt::WindowModal); // the pages stay untouched during a run
    progress_->setMinimumDuration(0);
    progress_->setAutoClose(false);
    progress_->setAutoReset(false);
    connect(progress_, &QProgressDialog::canceled, &run_, &WindowRun::cancel);
    progress_->show();
}

void ProfileMenus::startRead(After after)
{
    if (run_.running()) return;
    after_ = after;
    writing_ = false;
    run_.read();
    showProgress(run_.stepCount(), QStringLiteral("Reading the converter"));
}

void ProfileMenus::readConverter() { startRead(After::Keep); }

std::optional<Profile> ProfileMenus::openProfile()
{
    const QString path = chooseFile(QStringLiteral("Open Profile"), false);
    if (path.isEmpty()) return std::nullopt;
    MessageSink& messages = window_.exchange().messages();
    const ReadFile::Result file = ReadFile::read(QFile::encodeName(path), ReadFile::kProfileLimit);
    if (!file.ok()) {
        messages.error(QStringLiteral("The profile was not opened."), file.error);
        return std::nullopt;
    }
    QStringList problems;
    auto profile = Profile::fromJson(file.bytes, problems);
    if (!profile)
        messages.error(QStringLiteral("%1 is not a profile this program can use. Nothing was sent.").arg(path),
                       problems.join(u'\n'));
    return profile;
}

void ProfileMenus::writeConverter()
{
    if (run_.running()) return;
    const auto profile = openProfile();
    if (!profile) return;
    wanted_ = *profile;
    writing_ = true;
    run_.write(wanted_);
    showProgress(run_.stepCount(), QStringLiteral("Writing the converter"));
}

void ProfileMenus::compareWithProfile()
{
    if (run_.running()) return;
    const auto profile = openProfile();
    if (!profile) return;
    wanted_ = *profile;
    startRead(After::Compare);
}

void ProfileMenus::onFinished(bool ok, const QString& message)
{
    if (progress_) progress_->hide();
    MessageSink& messages = window_.exchange().messages();
    if (!ok && !run_.written()) {
        messages.error(QStringLiteral("Stopped at %1").arg(message));
        return;
    }
    if (writing_) {
        // "written; now at 19200 baud", or "written; no answer at 19200 baud".
        const QString text = QStringLiteral("The profile was %1.").arg(message);
        if (ok) messages.inform(text);
        else messages.error(text, QStringLiteral("Check the converter's speed and parity, then open the port at them."));
        return;
    }
    read_ = run_.result();
    saveProfile_->setEnabled(true);
    if (after_ == After::Compare) (new ProfileComparison(compareProfiles(wanted_, read_), &window_))->show();
}

void ProfileMenus::saveProfile()
{
    const QString path = chooseFile(QStringLiteral("Save Profile"), true);
    if (!path.isEmpty()) saveText(path, read_.toJson(), window_.exchange().messages());
}

void ProfileMenus::saveLog()
{
    const QString path = chooseFile(QStringLiteral("Save Log"), true);
    if (path.isEmpty()) return;
    const TComm& port = window_.comm();
    const QString header = TrafficLog::header(port.CommName(), int(port.BaudRate()),
                                              QStringList({"None", "Odd", "Even", "Mark", "Space"})[int(port.Parity())],
                                              QDateTime::currentMSecsSinceEpoch());
    saveText(path, (header + log().text()).toUtf8(), window_.exchange().messages());
}

int ProfileMenus::shownSlot() const { return window_.modbusPage().ComboBox41->currentIndex(); }

Profile ProfileMenus::windowSettings() const
{
    const bool haveRead = saveProfile_->isEnabled();
    return WindowSettings::read(window_.controlPages(), shownSlot(), haveRead ? read_ : Profile{});
}

void ProfileMenus::showRegisterMap()
{
    auto* dialog = new RegisterMapDialog(windowSettings(), {RegisterMap::Source::Window, {}, QDateTime::currentDateTime()},
                                         window_.exchange().messages(), &window_);
    dialog->show();
}

void ProfileMenus::showReport()
{
    auto* dialog = new ReportDialog(windowSettings(), window_.exchange().messages(), &window_);
    dialog->show();
}
