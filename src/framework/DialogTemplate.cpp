// Names of the dialog template's control classes.
#include "framework/DialogTemplate.h"

namespace fw {

const char* ControlClassName(ControlClass cls) {
    switch (cls) {
    case ControlClass::Button:
        return "button";
    case ControlClass::Edit:
        return "edit";
    case ControlClass::Static:
        return "static";
    case ControlClass::ComboBox:
        return "combo box";
    case ControlClass::IpAddress:
        return "SysIPAddress32";
    }
    return "";
}

} // namespace fw
