// Builds a dialog template's controls as toolkit windows: the class and
// styles of each item decide the kind of window, dialog units its place.
#include "framework/DialogControls.h"

#include <wx/button.h>
#include <wx/dialog.h>
#include <wx/iconbndl.h>
#include <wx/radiobut.h>
#include <wx/statbmp.h>
#include <wx/statbox.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include <algorithm>
#include <cstdlib>

#include "framework/Dialog.h"
#include "framework/DropDownList.h"
#include "framework/IpAddressCtrl.h"
#include "framework/Resources.h"

namespace fw {

namespace {

wxString LabelOf(const fw::DialogItem& item) {
    wxString label = wxString::FromUTF8(item.text ? item.text : "");
    if (item.style & SS_NOPREFIX) {
        label.Replace("&", "&&");
    }
    return label;
}

// An icon static names its icon resource as "#<id>".
UINT IconIdOf(const fw::DialogItem& item) {
    const char* text = item.text ? item.text : "";
    return text[0] == '#' ? static_cast<UINT>(std::strtoul(text + 1, nullptr, 10)) : 0;
}

} // namespace

wxWindow* CreateControl(wxDialog* dlg, const DialogItem& item) {
    const wxPoint pos = dlg->ConvertDialogToPixels(wxPoint(item.x, item.y));
    const wxSize size = dlg->ConvertDialogToPixels(wxSize(item.cx, item.cy));
    const int id = item.id > 0 ? item.id : wxID_ANY;
    switch (item.cls) {
    case fw::ControlClass::Button:
        switch (item.style & BS_TYPEMASK) {
        case BS_GROUPBOX:
            return new wxStaticBox(dlg, id, LabelOf(item), pos, size);
        case BS_AUTORADIOBUTTON: {
            auto* radio = new wxRadioButton(dlg, id, LabelOf(item), pos, wxDefaultSize,
                                            (item.style & WS_GROUP) ? wxRB_GROUP : 0);
            // The toolkit draws its indicator taller than some template heights.
            radio->SetSize(wxSize(size.x, std::max(size.y, radio->GetBestSize().y)));
            return radio;
        }
        default: {
            auto* button = new wxButton(dlg, id, LabelOf(item), pos, size);
            if ((item.style & BS_TYPEMASK) == BS_DEFPUSHBUTTON) {
                button->SetDefault();
            }
            return button;
        }
        }
    case fw::ControlClass::Edit: {
        long style = (item.style & ES_READONLY) ? wxTE_READONLY : 0;
        if (item.style & ES_MULTILINE) {
            style |= wxTE_MULTILINE | ((item.style & WS_HSCROLL) ? wxTE_DONTWRAP : 0);
        }
        style |= (item.style & WS_BORDER) ? wxBORDER_THEME : wxBORDER_NONE;
        return new wxTextCtrl(dlg, id, wxEmptyString, pos, size, style);
    }
    case fw::ControlClass::Static:
        if ((item.style & 0x1F) == SS_ICON) {
            HICON icon = fw::LoadResourceIcon(IconIdOf(item));
            const int edge = GetSystemMetrics(SM_CXICON);
            wxBitmap bitmap = icon ? wxBitmap(icon->GetIcon(wxSize(edge, edge))) : wxBitmap();
            return new wxStaticBitmap(dlg, id, bitmap, pos, wxSize(edge, edge));
        }
        return new wxStaticText(dlg, id, LabelOf(item), pos, size, wxST_NO_AUTORESIZE);
    case fw::ControlClass::ComboBox: {
        // The template's height is that of the open list, closed field included;
        // the closed field is as tall as a one-line edit of the template. The
        // open list keeps room for a few entries and its scroll bar, which the
        // toolkit cannot draw in less.
        const int field = dlg->ConvertDialogToPixels(wxSize(0, 14)).y;
        const int open = std::max(size.y - field, dlg->GetCharHeight() * 6);
        return new fw::DropDownList(dlg, id, pos, wxSize(size.x, field), open);
    }
    case fw::ControlClass::IpAddress:
        return new fw::IpAddressCtrl(dlg, id, pos, size);
    }
    return nullptr;
}

} // namespace fw
