// project_pane.h - the Project group: the open drive's projects and the selected one.
#pragma once

#include <cstdint>

namespace deck {

class DeckView;

class ProjectPane {
public:
    explicit ProjectPane(DeckView& view);

    void create();
    void destroy();

    void rebuildProjectList();
    void showProject();
    void enableControls(bool enabled);
    int32_t makeSelectedPrimary();

    uint16_t projectCount() const { return count_; }
    uint16_t selected() const { return selected_; }
    void setSelected(uint16_t index) { selected_ = index; }

private:
    DeckView& view_;
    uint16_t count_ = 0;
    uint16_t selected_ = 0;
};

}  // namespace deck
