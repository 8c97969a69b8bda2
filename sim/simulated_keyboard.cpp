#include "sim/simulated_keyboard.h"

namespace tavrin::sim {

I8042::Options SimulatedKeyboard::controllerOptions(const Options& options) {
    I8042::Options controller = options.controller;
    if (options.controllerSlow) {
        controller.transferTime = kSlowTransferTime;
    }
    return controller;
}

SimulatedKeyboard::SimulatedKeyboard(platform::Clock& clock, Options options)
    : clock_(clock),
      host_(clock, options.host),
      ports_(clock, controllerOptions(options)),
      firmware_(host_, options.keyboard) {
    ports_.setKeyboard([this](std::uint8_t byte) { firmware_.receiveByte(byte); });
    if (options.wireLog) {
        ports_.setWireLog(std::move(options.wireLog));
    }
    for (const auto& key : options.operatorKeys) {
        host_.typeKeyAt(key.at, key.virtualKey, key.scanCode, key.keyUp);
    }
}

}  // namespace tavrin::sim
