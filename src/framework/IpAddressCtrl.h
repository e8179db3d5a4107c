// An IP-address control: four numeric fields separated by dots.
#pragma once

#include <wx/panel.h>

#include <array>
#include <string>

class wxTextCtrl;

namespace fw {

class IpAddressCtrl : public wxPanel {
public:
    IpAddressCtrl(wxWindow* parent, int id, const wxPoint& pos, const wxSize& size);

    // Shows a dotted address. Each field takes the number (0 to 255) that
    // stands in its place; a field whose part is missing or not such a number
    // stays blank, as the control shows no more than an address can hold.
    void SetAddress(const std::string& text);
    // The dotted address of the four fields, or empty text when all are blank.
    std::string GetAddress() const;

private:
    std::array<wxTextCtrl*, 4> m_fields{};
};

} // namespace fw
