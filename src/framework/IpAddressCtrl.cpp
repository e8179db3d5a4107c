// IP-address control: splitting, validating and joining the four fields.
#include "framework/IpAddressCtrl.h"

#include <wx/sizer.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include <cctype>

namespace fw {

IpAddressCtrl::IpAddressCtrl(wxWindow* parent, int id, const wxPoint& pos, const wxSize& size)
    : wxPanel(parent, id, pos, size, wxBORDER_THEME | wxTAB_TRAVERSAL) {
    auto* row = new wxBoxSizer(wxHORIZONTAL);
    for (std::size_t i = 0; i < m_fields.size(); ++i) {
        if (i > 0) {
            row->Add(new wxStaticText(this, wxID_ANY, "."), 0, wxALIGN_CENTER_VERTICAL);
        }
        m_fields[i] = new wxTextCtrl(this, wxID_ANY, wxEmptyString, wxDefaultPosition,
                                     wxDefaultSize, wxTE_CENTRE | wxBORDER_NONE);
        m_fields[i]->SetMaxLength(3);
        row->Add(m_fields[i], 1, wxALIGN_CENTER_VERTICAL);
    }
    SetSizer(row);
    Layout();
}

void IpAddressCtrl::SetAddress(const std::string& text) {
    std::size_t start = 0;
    for (std::size_t i = 0; i < m_fields.size(); ++i) {
        std::string part;
        if (start <= text.size()) {
            const std::size_t dot = text.find('.', start);
            part = text.substr(start, dot == std::string::npos ? std::string::npos : dot - start);
            start = dot == std::string::npos ? text.size() + 1 : dot + 1;
        }
        bool numeric = !part.empty() && part.size() <= 3;
        for (char c : part) {
            numeric = numeric && std::isdigit(static_cast<unsigned char>(c));
        }
        if (numeric && std::stoi(part) > 255) {
            numeric = false;
        }
        m_fields[i]->ChangeValue(numeric ? wxString::FromUTF8(std::to_string(std::stoi(part)))
                                         : wxString());
    }
}

std::string IpAddressCtrl::GetAddress() const {
    std::string address;
    bool any = false;
    for (std::size_t i = 0; i < m_fields.size(); ++i) {
        const std::string field = m_fields[i]->GetValue().utf8_string();
        any = any || !field.empty();
        address += (i > 0 ? "." : "") + (field.empty() ? std::string("0") : field);
    }
    return any ? address : std::string();
}

} // namespace fw
