// The headless backend: no display at all. The screen lives only in the framebuffer (the
// script's `shot` writes it out) and input comes only from the script, which the message loop
// runs itself; between commands this backend just serves the single-instance rendezvous.
#include <poll.h>

#include "platform/backend.h"

namespace velin::platform {

namespace {

class HeadlessBackend : public Backend {
public:
    void Present(Framebuffer&) override {}

    bool WaitForInput(int timeoutMs) override {
        const int fd = RendezvousFd();
        if (fd < 0) return false;  // nothing can ever arrive
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, timeoutMs) > 0) RendezvousPoll();
        return true;
    }
};

}  // namespace

std::unique_ptr<Backend> MakeHeadlessBackend() { return std::make_unique<HeadlessBackend>(); }

}  // namespace velin::platform
