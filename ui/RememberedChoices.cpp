#include "ui/RememberedChoices.h"

#include <QRegularExpression>
#include <QSettings>

namespace {

int indexIn(const QSettings& settings, const char* key, int count)
{
    bool ok = false;
    const int value = settings.value(key).toInt(&ok);
    return ok && value >= 0 && value < count ? value : -1;
}

// The user's settings file: ~/.config/vk742b/vk742b-config.conf (XDG_CONFIG_HOME honoured).
const char* const kOrganization = "vk742b";
const char* const kApplication = "vk742b-config";

} // namespace

RememberedChoices readChoices(const QSettings& settings)
{
    RememberedChoices c;
    c.port = settings.value("port/name").toString().trimmed();
    const QString speed = settings.value("port/speed").toString();
    static const QRegularExpression digits(QStringLiteral("^[1-9][0-9]{0,8}$"));
    if (digits.match(speed).hasMatch()) c.speed = speed;
    c.parity = indexIn(settings, "port/parity", 3);
    c.page = indexIn(settings, "window/page", 8);
    c.geometry = settings.value("window/geometry").toByteArray();
    return c;
}

void writeChoices(QSettings& settings, const RememberedChoices& c)
{
    settings.setValue("port/name", c.port);
    settings.setValue("port/speed", c.speed);
    settings.setValue("port/parity", c.parity);
    settings.setValue("window/page", c.page);
    settings.setValue("window/geometry", c.geometry);
}

RememberedChoices loadChoices()
{
    const QSettings settings(kOrganization, kApplication);
    return readChoices(settings);
}

void saveChoices(const RememberedChoices& choices)
{
    QSettings settings(kOrganization, kApplication);
    writeChoices(settings, choices);
}
