// Data exchange in the load direction: members to controls.
#include <wx/clntdata.h>
#include <wx/dialog.h>
#include <wx/radiobut.h>
#include <wx/textctrl.h>

#include "framework/Dialog.h"
#include "framework/DropDownList.h"
#include "framework/OutputText.h"
#include "platform/TextCodec.h"

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

// The toolkit's text for the program's: UTF-8, where a byte that starts no
// well-formed character (a tool's answer in the Windows code page) is read as
// Windows-1252 instead of emptying the whole text.
wxString ToolkitText(std::string_view text) {
    if (platform::IsValidUtf8(text)) {
        return wxString::FromUTF8(text.data(), text.size());
    }
    std::string mended;
    mended.reserve(text.size() + text.size() / 8);
    for (std::size_t at = 0; at < text.size();) {
        const auto lead = static_cast<unsigned char>(text[at]);
        const std::size_t length = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
        if (lead >= 0x80 && at + length <= text.size() &&
            platform::IsValidUtf8(text.substr(at, length))) {
            mended.append(text.substr(at, length));
            at += length;
        } else if (lead < 0x80) {
            mended += text[at++];
        } else {
            mended += platform::Cp1252ToUtf8(text.substr(at++, 1));
        }
    }
    return wxString::FromUTF8(mended.data(), mended.size());
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
    edit->ChangeValue(ToolkitText(value));
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
    if (shown->revision == value.Revision() && shown->length == value.size()) {
        return; // nothing new: the view stays where the user left it
    }
    if (shown->revision == value.Revision() && shown->length < value.size()) {
        edit->AppendText(ToolkitText(std::string_view(value.str()).substr(shown->length)));
    } else {
        edit->ChangeValue(ToolkitText(value.str()));
    }
    shown->revision = value.Revision();
    shown->length = value.size();
    // The newest entry comes into view.
    edit->SetInsertionPointEnd();
    edit->ShowPosition(edit->GetLastPosition());
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
