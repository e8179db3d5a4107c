// Registry of the program's string and icon resources.
#include "framework/Resources.h"

#include <wx/iconbndl.h>
#include <wx/image.h>
#include <wx/mstream.h>

#include <map>
#include <memory>
#include <vector>

namespace fw {

namespace {
struct Registry {
    std::map<UINT, std::string> strings;
    std::map<UINT, std::vector<IconImage>> iconImages;
    std::map<UINT, std::unique_ptr<wxIconBundle>> icons;
};

Registry& TheRegistry() {
    static Registry registry;
    return registry;
}
} // namespace

void RegisterStrings(std::span<const StringResource> strings) {
    for (const auto& s : strings) {
        TheRegistry().strings[s.id] = s.text;
    }
}

void RegisterIcon(UINT id, std::span<const IconImage> images) {
    TheRegistry().iconImages[id].assign(images.begin(), images.end());
    TheRegistry().icons.erase(id);
}

std::string LoadResourceString(UINT id) {
    const auto& strings = TheRegistry().strings;
    const auto it = strings.find(id);
    return it == strings.end() ? std::string() : it->second;
}

HICON LoadResourceIcon(UINT id) {
    auto& registry = TheRegistry();
    if (auto it = registry.icons.find(id); it != registry.icons.end()) {
        return it->second.get();
    }
    const auto images = registry.iconImages.find(id);
    if (images == registry.iconImages.end()) {
        return nullptr;
    }
    // Decoding needs the toolkit's PNG handler, which exists once the
    // application object has initialised the image handlers.
    if (!wxImage::FindHandler(wxBITMAP_TYPE_PNG)) {
        wxImage::AddHandler(new wxPNGHandler);
    }
    auto bundle = std::make_unique<wxIconBundle>();
    for (const auto& image : images->second) {
        wxMemoryInputStream stream(image.png, image.size);
        wxImage decoded;
        if (decoded.LoadFile(stream, wxBITMAP_TYPE_PNG)) {
            wxIcon icon;
            icon.CopyFromBitmap(wxBitmap(decoded));
            bundle->AddIcon(icon);
        }
    }
    if (bundle->IsEmpty()) {
        return nullptr;
    }
    return (registry.icons[id] = std::move(bundle)).get();
}

} // namespace fw
