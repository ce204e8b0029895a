// profile.h - the per-user settings store, seen as one section of keys.
#pragma once

#include <string>

namespace deck {

class Profile {
public:
    virtual ~Profile() = default;
    // A missing value reads as the default.
    virtual int readInt(const std::string& key, int defaultValue) = 0;
    virtual void writeInt(const std::string& key, int value) = 0;
    virtual std::string readText(const std::string& key, const std::string& defaultValue) = 0;
    virtual void writeText(const std::string& key, const std::string& value) = 0;
};

}  // namespace deck
