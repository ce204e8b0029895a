// transfer_adapters.h - the window's side of the transfer procedures: messages, questions and the server client.
#pragma once

#include "message_sink.h"
#include "transfer_server.h"
#include "transfer_ui.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace deck {

class Form;
class ServerClient;
class TransferServices;

// Each text in an error box: stop icon, OK, the application title.
class FormMessageSink : public vxf::transfer::MessageSink {
public:
    explicit FormMessageSink(Form& form) : form_(form) {}
    void showError(const std::string& text) override;

private:
    Form& form_;
};

// The questions of export and import as the window asks them: the extended message box, the
// track selection dialog, the statistics fields of the Transfer group.
class FormTransferQuestions : public vxf::transfer::TransferQuestions {
public:
    FormTransferQuestions(Form& form, TransferServices& services) : form_(form), services_(services) {}

    vxf::transfer::ReplaceAnswer askReplace(const std::string& text, const std::string& caption,
                                            bool offerAll) override;
    bool askOkCancel(const std::string& text) override;
    bool askYesNo(const std::string& text) override;
    std::optional<uint16_t> chooseTrack(const std::string& path, uint16_t trackCount,
                                        const std::vector<bool>& trackFree,
                                        std::optional<uint16_t> lastChosen) override;
    void showStatistics(const vxf::transfer::TransferStatistics& statistics, uint64_t bytes) override;
    std::optional<uint64_t> freeBytes(const std::string& directory) override;

private:
    Form& form_;
    TransferServices& services_;
};

// The track calls on the open drive through the server client.
class ClientTransferServer : public vxf::transfer::TransferServer {
public:
    ClientTransferServer(ServerClient& client, uint32_t handle) : client_(client), handle_(handle) {}

    int32_t songName(std::string& name) override;
    int32_t optimalTransferSize(uint32_t& samples) override;
    int32_t trackRead(uint16_t track, uint32_t offset, uint32_t count, uint32_t& samplesRead, uint16_t bytesPerSample,
                      uint16_t byteOrder, void* buffer) override;
    int32_t trackReadAll(uint32_t offset, uint32_t count, uint32_t& samplesRead, uint16_t bytesPerSample,
                         uint16_t byteOrder, void* const* buffers) override;
    int32_t trackWrite(uint16_t track, uint32_t offset, uint32_t count, uint16_t bytesPerSample, uint16_t byteOrder,
                       const void* source) override;
    int32_t trackWriteAll(uint32_t offset, uint32_t count, uint16_t bytesPerSample, uint16_t byteOrder,
                          const void* const* sources) override;
    int32_t driveFreeSpace(uint32_t& kib) override;
    std::string errorText() override;

private:
    ServerClient& client_;
    uint32_t handle_;
};

}  // namespace deck
