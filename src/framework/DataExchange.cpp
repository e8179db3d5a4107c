// Data exchange in the load direction: members to controls.
#include <wx/clntdata.h>
#include <wx/dialog.h>
#include <wx/radiobut.h>
#include <wx/textctrl.h>

#include "framework/Dialog.h"
#include "framework/DropDownList.h"
#include "framework/OutputText.h"

namespace {

wxWindow* Control(CDataExchange* pDX, int nIDC) {
    wxDialog* dialog = pDX->m_pDlgWnd->Window();
    return dialog ? dialog->FindWindow(nIDC) : nullptr;
}

// What an edit control shows of an OutputText: which text, and how much.
struct ShownText : wxClientData {
    std::uint64_t revision = 0;
    std::size_t length = 0;
};

ShownText* ShownOf(wxTextCtrl* edit) {
    auto* shown = static_cast<ShownText*>(edit->GetClientObject());
    if (!shown) {
        shown = new ShownText;
        edit->SetClientObject(shown);
    }
    return shown;
}

} // namespace

void DDX_Text(CDataExchange* pDX, int nIDC, std::string& value) {
    if (pDX->m_bSaveAndValidate) {
        return;
    }
    auto* edit = dynamic_cast<wxTextCtrl*>(Control(pDX, nIDC));
    if (!edit) {
        CWnd wrapper;
        wrapper.Attach(Control(pDX, nIDC));
        wrapper.SetWindowText(value);
        return;
    }
    *ShownOf(edit) = ShownText{};
    edit->ChangeValue(wxString::FromUTF8(value));
}

void DDX_Text(CDataExchange* pDX, int nIDC, fw::OutputText& value) {
    if (pDX->m_bSaveAndValidate) {
        return;
    }
    auto* edit = dynamic_cast<wxTextCtrl*>(Control(pDX, nIDC));
    if (!edit) {
        return;
    }
    ShownText* shown = ShownOf(edit);
    if (shown->revision == value.Revision() && shown->length <= value.size()) {
        if (shown->length < value.size()) {
            // The view stays where it was: appending requests no scrolling.
            const long caret = edit->GetInsertionPoint();
            edit->AppendText(wxString::FromUTF8(value.str().substr(shown->length)));
            edit->SetInsertionPoint(caret);
        }
    } else {
        edit->ChangeValue(wxString::FromUTF8(value.str()));
    }
    shown->revision = value.Revision();
    shown->length = value.size();
}

void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl) {
    if (!rControl.m_hWnd) {
        rControl.Attach(Control(pDX, nIDC));
        pDX->m_pDlgWnd->RememberAttached(&rControl);
    }
}

void DDX_CBString(CDataExchange* pDX, int nIDC, std::string& value) {
    if (pDX->m_bSaveAndValidate || value.empty()) {
        return; // an empty text would match every entry: the selection stays
    }
    if (auto* list = dynamic_cast<fw::DropDownList*>(Control(pDX, nIDC))) {
        list->SelectPrefix(value);
    }
}

void DDX_Radio(CDataExchange* pDX, int nIDC, int& value) {
    if (pDX->m_bSaveAndValidate) {
        return;
    }
    const fw::DialogTemplate& tpl = pDX->m_pDlgWnd->Template();
    std::size_t first = 0;
    while (first < tpl.items.size() && tpl.items[first].id != nIDC) {
        ++first;
    }
    // The group runs from its first button over the following radio buttons
    // up to the next control that starts a group.
    std::vector<wxRadioButton*> group;
    for (std::size_t i = first; i < tpl.items.size(); ++i) {
        const auto& item = tpl.items[i];
        const bool radio = item.cls == fw::ControlClass::Button &&
                           (item.style & BS_TYPEMASK) == BS_AUTORADIOBUTTON;
        if (!radio || (i != first && (item.style & WS_GROUP))) {
            break;
        }
        group.push_back(dynamic_cast<wxRadioButton*>(pDX->m_pDlgWnd->ControlAt(i)));
    }
    for (std::size_t i = 0; i < group.size(); ++i) {
        // Checking one button unchecks the others of its group.
        if (group[i] && static_cast<int>(i) == value) {
            group[i]->SetValue(true);
        }
    }
}
