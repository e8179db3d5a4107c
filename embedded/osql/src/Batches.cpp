// Splitting osql's input into batches.
#include "Batches.h"

#include <algorithm>
#include <cctype>

namespace osql {
namespace {

std::string_view Trim(std::string_view text) {
    const auto blank = [](char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; };
    while (!text.empty() && blank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && blank(text.back()))
        text.remove_suffix(1);
    return text;
}

bool IsCommand(std::string_view line, std::string_view command) {
    line = Trim(line);
    return std::equal(line.begin(), line.end(), command.begin(), command.end(), [](char a, char b) {
        return std::tolower(static_cast<unsigned char>(a)) == b;
    });
}

void Flush(std::string& batch, std::vector<std::string>& batches) {
    if (!batch.empty() && batch.back() == '\n')
        batch.pop_back();
    if (!Trim(batch).empty())
        batches.push_back(batch);
    batch.clear();
}

} // namespace

std::vector<std::string> SplitBatches(std::string_view script) {
    std::vector<std::string> batches;
    std::string batch;
    while (!script.empty()) {
        const std::size_t end = script.find('\n');
        std::string_view line = script.substr(0, end);
        script.remove_prefix(end == std::string_view::npos ? script.size() : end + 1);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (IsCommand(line, "exit") || IsCommand(line, "quit"))
            break;
        if (IsCommand(line, "go")) {
            Flush(batch, batches);
            continue;
        }
        batch.append(line);
        batch += '\n';
    }
    Flush(batch, batches);
    return batches;
}

} // namespace osql
