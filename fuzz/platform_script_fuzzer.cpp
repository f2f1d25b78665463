// Every line of the input goes through the script parser: it must accept or refuse it with a
// reason, and what it accepts must be usable as it stands.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "platform/script.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    while (!text.empty()) {
        const size_t nl = text.find('\n');
        const std::string_view line = text.substr(0, nl);
        text = nl == std::string_view::npos ? std::string_view() : text.substr(nl + 1);
        std::optional<velin::platform::ScriptCommand> command;
        std::string error;
        const bool ok = velin::platform::ParseScriptLine(line, &command, &error);
        if (!ok && error.empty()) std::abort();  // a refusal always says why
        if (!ok || !command) continue;
        using K = velin::platform::ScriptCommand;
        std::u16string wide;
        switch (command->kind) {
            case K::kType:
                if (!DecodeUtf8(command->text, &wide)) std::abort();
                break;
            case K::kTap:
                if (command->x < 0 || command->y < 0) std::abort();
                break;
            case K::kCommand:
                if (command->x < 0 || command->x > 65535) std::abort();
                break;
            case K::kKey:
                if (command->key == 0) std::abort();
                break;
            case K::kShot:
            case K::kPrint:
                if (command->text.empty()) std::abort();
                break;
            case K::kQuit: break;
        }
        const std::string quoted = velin::platform::QuoteScriptValue(line);
        if (quoted.size() < line.size()) std::abort();
    }
    return 0;
}
