// project_commands.h - the Project menu: Select, Create, Delete and Properties.
#pragma once

namespace deck {

class DeckView;

class ProjectCommands {
public:
    explicit ProjectCommands(DeckView& view) : view_(view) {}

    void select();
    void create();
    void remove();
    void properties();

private:
    // Shows the failure and makes the shown project and song primary again.
    void fail();

    DeckView& view_;
};

}  // namespace deck
