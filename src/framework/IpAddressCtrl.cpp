// IP-address control: splitting, validating and joining the four fields.
#include "framework/IpAddressCtrl.h"

#include <wx/stattext.h>
#include <wx/textctrl.h>

#include <algorithm>
#include <cctype>

namespace fw {

IpAddressCtrl::IpAddressCtrl(wxWindow* parent, int id, const wxPoint& pos, const wxSize& size)
    : wxPanel(parent, id, pos, size, wxBORDER_THEME | wxTAB_TRAVERSAL) {
    // Four equal fields with a dot between each two, placed by hand: the
    // toolkit's entries would otherwise ask for more room than there is.
    const wxSize inner = GetClientSize();
    const int dot = GetTextExtent(".").x + 2;
    const int field = std::max(1, (inner.x - 3 * dot) / 4);
    for (std::size_t i = 0; i < m_fields.size(); ++i) {
        const int x = static_cast<int>(i) * (field + dot);
        if (i > 0) {
            new wxStaticText(this, wxID_ANY, ".", wxPoint(x - dot + 1, 0), wxSize(dot, inner.y),
                             wxALIGN_CENTRE_HORIZONTAL);
        }
        m_fields[i] = new wxTextCtrl(this, wxID_ANY, wxEmptyString, wxPoint(x, 0),
                                     wxSize(field, inner.y), wxTE_CENTRE | wxBORDER_NONE);
        m_fields[i]->SetMinSize(wxSize(field, inner.y));
        m_fields[i]->SetMaxLength(3);
    }
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
