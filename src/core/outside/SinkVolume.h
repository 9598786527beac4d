#pragma once

// The volume of the sound server's default sink (PulseAudio, or PipeWire through its PulseAudio
// service), as the volume hotkeys change it. Requests are queued and answered in order, so quick
// presses never read the same old volume twice; the caller never waits for the server. Without a
// sound server nothing changes and one line is logged.
namespace SinkVolume {

// Two per cent of the nominal volume per step, never above 100 %.
constexpr int stepPercent = 2;

void up();
void down();
void toggleMute();

} // namespace SinkVolume
