// transfer_services.cpp - a front end without a transfer.
#include "transfer_services.h"

namespace deck {

namespace {

class NoCopyProgress : public vxf::transfer::CopyProgressView {
public:
    void open(uint16_t) override {}
    void setFrom(const std::string&) override {}
    void setTo(const std::string&) override {}
    void setBar(uint32_t, uint32_t, uint64_t) override {}
    void setPercentText(const std::string&) override {}
    bool pollCancel() override { return false; }
    void close() override {}
};

}  // namespace

vxf::transfer::CopyProgressView& NoTransferServices::copyProgress() {
    static NoCopyProgress none;
    return none;
}

}  // namespace deck
