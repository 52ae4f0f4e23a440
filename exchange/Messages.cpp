#include "exchange/Messages.h"

#include "exchange/Conversion.h"
#include "serial/CommsError.h"

#include <exception>

QString withFullStop(const QString& text)
{
    if (!text.isEmpty() && text.back() > u'.') return text + u'.';
    return text;
}

void runHandler(MessageSink& messages, const std::function<void()>& handler)
{
    try {
        handler();
    } catch (const ECommsError& e) {
        messages.error(withFullStop(QString::fromStdString(e.what())),
                       QString::fromStdString(e.detail()));
    } catch (const EConvertError& e) {
        messages.error(withFullStop(e.message()));
    } catch (const std::exception& e) {
        messages.error(withFullStop(QString::fromStdString(e.what())));
    }
}
