#pragma once

#include <functional>

// The system sounds the windows play. The desktop offers one beep to a Qt program, so every sound
// is that beep; tests put a recorder in its place.
namespace swapwright::gui {

enum class SystemSound { DefaultBeep, Asterisk, Question, Exclamation, Hand };

// Plays the sound without waiting.
void playSystemSound(SystemSound sound);

// Replaces playing with the routine (none: play again). For tests.
void setSystemSoundRecorder(std::function<void(SystemSound)> recorder);

} // namespace swapwright::gui
