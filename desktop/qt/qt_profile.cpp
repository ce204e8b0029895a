// qt_profile.cpp - the settings store: QSettings of the company and title, one section.
#include "qt_profile.h"

#include "control_surface.h"
#include "ids.h"

namespace deckqt {

QtProfile::QtProfile() : settings_(QString::fromLatin1(deck::kCompanyName), QString::fromLatin1(deck::kAppTitle)) {}

QString QtProfile::path(const std::string& key) const {
    return QString::fromLatin1(deck::kSettingsSection) + QLatin1Char('/') + toQt(key);
}

int QtProfile::readInt(const std::string& key, int defaultValue) {
    bool ok = false;
    const int value = settings_.value(path(key)).toInt(&ok);
    return ok ? value : defaultValue;
}

void QtProfile::writeInt(const std::string& key, int value) { settings_.setValue(path(key), value); }

std::string QtProfile::readText(const std::string& key, const std::string& defaultValue) {
    const QVariant value = settings_.value(path(key));
    return value.isValid() ? fromQt(value.toString()) : defaultValue;
}

void QtProfile::writeText(const std::string& key, const std::string& value) {
    settings_.setValue(path(key), toQt(value));
}

}  // namespace deckqt
