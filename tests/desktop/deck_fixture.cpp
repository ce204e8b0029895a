// deck_fixture.cpp - the desktop logic on a fake form, against the real server on sparse images.
#include "deck_fixture.h"

#include "tavovxf.h"
#include "text_format.h"

#include <cstring>

namespace decktest {

void DeckFixture::TearDown() {
    if (view_) {
        view_->shutdown();
        view_.reset();
    }
    ServerFixture::TearDown();
}

std::string DeckFixture::addBlankDrive(const std::string& name, uint64_t sectors) {
    drives_.push_back(makeImage(name, sectors));
    enumerate(drives_);
    return drives_.back();
}

std::string DeckFixture::addFormattedDrive(const std::string& name) {
    const std::string path = addBlankDrive(name);
    onDrive(static_cast<uint16_t>(drives_.size() - 1), [](uint32_t handle) {
        EXPECT_EQ(tavovxfDriveFormat(handle), VXF_OK);
    });
    return path;
}

void DeckFixture::onDrive(uint16_t index, const std::function<void(uint32_t)>& work) {
    const uint32_t handle = open(index);
    work(handle);
    EXPECT_EQ(tavovxfDriveClose(handle), VXF_OK);
}

void DeckFixture::addSongs(uint16_t drive, int count, uint32_t rate, uint16_t tracks) {
    onDrive(drive, [&](uint32_t handle) {
        EXPECT_EQ(tavovxfProjectSetPrimary(handle, 0), VXF_OK);
        for (int i = 0; i < count; ++i) {
            ASSERT_EQ(tavovxfSongCreate(handle, tracks, rate, 24), VXF_OK);
            const std::string name = deck::format("Take %d", i + 1);
            EXPECT_EQ(tavovxfSongSetExtName(handle, name.c_str()), VXF_OK);
            EXPECT_EQ(tavovxfSongSetName(handle, name.c_str()), VXF_OK);
        }
    });
}

void DeckFixture::makeVersion100(const std::string& path) {
    patchSuperBlock(path, vxfserver::test::kDriveSectors,
                    [](vxfserver::SuperBlock& sb) { std::memcpy(sb.version, "1.00 ", 5); });
}

deck::DeckView& DeckFixture::startView(std::unique_ptr<deck::ServerClient> client) {
    view_ = std::make_unique<deck::DeckView>(form_, profile_, std::move(client));
    view_->start();
    return *view_;
}

std::vector<std::string> DeckFixture::takeBoxTexts() {
    std::vector<std::string> texts;
    for (const ShownBox& box : form_.boxes) texts.push_back(box.text);
    form_.boxes.clear();
    return texts;
}

}  // namespace decktest
