// Musical note names as frequencies.
//
// A name is read against a current octave. Octaves begin at A: each runs
// from A up to G sharp, so the C of octave 4 lies above the A of octave 4
// (440 Hz). Forms, after blanks and control characters around the name are
// removed and letters are taken in upper case:
//
//   N48        a note number: semitones above the A of octave 0, 0 to 121
//   C, C#, D-  a letter A to G with an optional sharp (+ or #) or flat (-),
//              in the current octave
//   O5C        an octave digit before the letter sets the octave
//   <<C, >C    each < lowers the octave by one (not below 0), each > raises
//              it (not above 9)
//
// Nothing may follow the letter or its accidental ("A4" is not a name), and
// the two kinds of octave prefix do not mix.
#pragma once

#include <cstdint>
#include <string_view>

// The frequency of the note Text in whole Hz (the nearest, halves rounded
// up), from 20 to 20000; 0 when Text is not a note name or its frequency
// lies outside that range. Octave holds the current octave on entry; it
// receives the octave in effect after the name whenever the name is well
// formed (even when its frequency is out of range) and is left alone
// otherwise.
std::int32_t NoteToFrequency(std::string_view Text, std::int32_t& Octave);
