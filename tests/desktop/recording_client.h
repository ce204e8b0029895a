// recording_client.h - the server's own client that also notes the calls a test asks about.
#pragma once

#include "platform/test_api.h"
#include "server_client.h"

#include <functional>
#include <string>
#include <vector>

namespace decktest {

class RecordingClient : public deck::ServerClient {
public:
    int32_t projectSetPrimary(uint32_t handle, uint16_t index) override {
        calls.push_back("projectSetPrimary " + std::to_string(index));
        return ServerClient::projectSetPrimary(handle, index);
    }
    int32_t songSetPrimary(uint32_t handle, uint16_t index) override {
        calls.push_back("songSetPrimary " + std::to_string(index));
        return ServerClient::songSetPrimary(handle, index);
    }
    int32_t songSetWriteProtect(uint32_t handle, uint32_t flag) override {
        calls.push_back("songSetWriteProtect " + std::to_string(flag));
        return ServerClient::songSetWriteProtect(handle, flag);
    }
    int32_t songSetName(uint32_t handle, const std::string& name) override {
        calls.push_back("songSetName " + name);
        return withRenameFaults([&] { return ServerClient::songSetName(handle, name); });
    }
    int32_t projectSetName(uint32_t handle, const std::string& name) override {
        calls.push_back("projectSetName " + name);
        return withRenameFaults([&] { return ServerClient::projectSetName(handle, name); });
    }
    int32_t extractFileSystem(uint32_t handle) override {
        calls.push_back("extractFileSystem " + std::to_string(handle));
        return ServerClient::extractFileSystem(handle);
    }
    int32_t driveGetNum(uint16_t& count) override {
        if (driveCountOverride) return driveCountOverride(count);
        return ServerClient::driveGetNum(count);
    }
    int32_t songGetSampleRate(uint32_t handle, uint32_t& rate) override {
        const int32_t code = ServerClient::songGetSampleRate(handle, rate);
        if (rateOverride) rate = *rateOverride;
        return code;
    }
    int32_t songGetWordLength(uint32_t handle, uint16_t& bits) override {
        const int32_t code = ServerClient::songGetWordLength(handle, bits);
        if (wordLengthOverride) bits = *wordLengthOverride;
        return code;
    }

    // Renames fail on the drive's writes while set.
    bool failRenames = false;
    // The calls of interest, in order; cleared by the test when it likes.
    std::vector<std::string> calls;
    std::function<int32_t(uint16_t&)> driveCountOverride;
    const uint32_t* rateOverride = nullptr;
    const uint16_t* wordLengthOverride = nullptr;

    int32_t withRenameFaults(const std::function<int32_t()>& rename) {
        if (failRenames) vxf1394::testing::failWritesAfter(0);
        const int32_t code = rename();
        if (failRenames) vxf1394::testing::clearWriteFailures();
        return code;
    }

    std::vector<std::string> callsStartingWith(const std::string& prefix) const {
        std::vector<std::string> found;
        for (const std::string& call : calls)
            if (call.rfind(prefix, 0) == 0) found.push_back(call);
        return found;
    }
};

}  // namespace decktest
