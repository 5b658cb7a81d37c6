// Synthesised sound for the demo, as mono samples in [-1, 1] at a given rate.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace qw::demo {

std::vector<std::int16_t> ToPcm16(const std::vector<float>& samples);

std::vector<float> Wind(int rate);   // a four-second loop of gusts
std::vector<float> Click(int rate);  // the menu click
std::vector<float> Chime(int rate);  // a shooting star
std::vector<float> Thud(int rate);   // the cat lands
std::vector<float> Voice(int rate);  // Mina's line, sung as four syllables
std::vector<float> DuskMusic(int rate);
std::vector<float> EndingMusic(int rate);
std::vector<float> NewsJingle(int rate, double seconds);

// The title theme (format 0, 480 ticks a beat, two tempo events).
std::string ThemeMidi();

}  // namespace qw::demo
