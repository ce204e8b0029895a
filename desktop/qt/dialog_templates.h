// dialog_templates.h - the layout of the form and every dialog, in dialog units, by template id.
#pragma once

#include <vector>

namespace deckqt {

enum class ItemKind {
    Group,      // group box; its text is the title
    Label,      // static text
    Field,      // read-only text in a sunken box
    Edit,       // one-line edit
    DropList,   // drop-down list
    DropEdit,   // drop-down list with an editable text
    CheckBox,
    Radio,      // radio button; those of one window exclude each other
    Button,
    PlayButton, // button with a play picture, or a stop picture while "checked"
    DefaultButton,
    Progress,
    TabStrip,   // tab headers; the text holds the entries separated by '|'
    ListBox,    // multi-selection list
    Logo,       // the maker's logo, clickable
    AppIcon,    // the program's own picture, square, centred in the item
};

struct TemplateItem {
    ItemKind kind;
    int id;  // -1 for items the logic never addresses
    const char* text;
    int x, y, width, height;  // dialog units
};

struct DialogTemplate {
    int id;
    const char* title;
    int width, height;  // dialog units
    std::vector<TemplateItem> items;
};

// The template of an id; an unknown id gives an empty template.
const DialogTemplate& dialogTemplate(int id);

}  // namespace deckqt
