// qt_profile.h - the settings store: QSettings of the company and title, one section.
#pragma once

#include "profile.h"

#include <QSettings>

namespace deckqt {

class QtProfile : public deck::Profile {
public:
    QtProfile();
    int readInt(const std::string& key, int defaultValue) override;
    void writeInt(const std::string& key, int value) override;
    std::string readText(const std::string& key, const std::string& defaultValue) override;
    void writeText(const std::string& key, const std::string& value) override;

private:
    QString path(const std::string& key) const;
    QSettings settings_;
};

}  // namespace deckqt
