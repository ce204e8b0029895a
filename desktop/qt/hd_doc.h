// hd_doc.h - the document: the window shows live drive state, so it keeps no data of its own.
#pragma once

namespace deckqt {

class CHdDoc {};

}  // namespace deckqt
