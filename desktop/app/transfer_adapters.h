// transfer_adapters.h - the window's side of the transfer procedures: messages, questions and the server client.
#pragma once

#include "drive_transfer_server.h"
#include "message_sink.h"
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

// The track calls on the open drive through the server client, where the tests stand between.
using ClientTransferServer = vxf::transfer::DriveTransferServer<ServerClient>;

}  // namespace deck
