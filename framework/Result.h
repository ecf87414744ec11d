// The framework's result codes: one numbering shared by all its classes, 0 for success.
#pragma once

namespace FrameworkResult {
inline constexpr int Ok = 0;
inline constexpr int DisplayDevice = 1;
inline constexpr int DisplayMode = 2;
inline constexpr int CooperativeLevel = 3;
inline constexpr int PrimarySurface = 4;
inline constexpr int BackBuffer = 5;
inline constexpr int SurfaceCreation = 6;
inline constexpr int Lock = 7;
inline constexpr int Unlock = 8;
inline constexpr int GetDC = 9;
inline constexpr int ReleaseDC = 10;
inline constexpr int FileOpen = 12;
inline constexpr int NoMemory = 13;
inline constexpr int SoundDevice = 16;
inline constexpr int SoundCooperativeLevel = 17;
inline constexpr int NotWave = 18;
inline constexpr int SoundBuffer = 19;
inline constexpr int NoFreeVoice = 20;
inline constexpr int Volume = 21;
inline constexpr int Play = 22;
inline constexpr int SoundBufferFill = 23;
inline constexpr int NotBmp = 24;
inline constexpr int ColourFill = 25;
inline constexpr int Present = 26;
inline constexpr int AlphaMaskWithoutBuffer = 31;
inline constexpr int Palette = 35;
inline constexpr int DirectInput = 36;
inline constexpr int JoystickEnumeration = 39;
inline constexpr int JoystickInterface = 40;
inline constexpr int JoystickProperty = 41;
inline constexpr int JoystickAcquire = 42;
inline constexpr int MusicClose = 43;
inline constexpr int MusicOpen = 44;
inline constexpr int MusicPlay = 45;
inline constexpr int NoBackBuffer = 50;
inline constexpr int NoSoundDevice = 51;
} // namespace FrameworkResult
