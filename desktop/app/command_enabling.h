// command_enabling.h - when each drive, project and song command is offered.
#pragma once

namespace deck {

class DeckView;

bool commandEnabled(const DeckView& view, int commandId);

}  // namespace deck
