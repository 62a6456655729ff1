#pragma once
// The project's font set-up: Windows font names ("Tahoma", "Angsana New" ...) resolve to the
// installed Thai fonts through one fontconfig file of ours.

namespace orv {

// Loads the embedded orvane-fonts.conf into fontconfig's current configuration. Call before the first
// font is used (the application object and the tests call it first); later calls do nothing.
void InitFonts();
// Starts InitFonts on a thread of its own and returns at once, so that a program that shows no
// window can open its data meanwhile; InitFonts, and so every font looked up, waits for it. The
// window system's fonts must not be asked for before InitFonts has returned.
void InitFontsMeanwhile();

// Whether fontconfig knows a scalable face with the Thai letters. Without one every Thai text
// shows as boxes and prints blank (the faces found in its place lack the letters).
bool ThaiFontInstalled();
// What the program and its tools say when ThaiFontInstalled is false, in Thai and English.
extern const char* const kNoThaiFontText;

}  // namespace orv
