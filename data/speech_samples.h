// The allophone recordings compiled into Vantro: 59 RIFF/WAVE images one
// after another, allophone 5 first (made by data/generate/make_allophones.py).
// machine/allophones.cpp unpacks them at start-up.
#pragma once
#include <cstdint>
#include <span>

std::span<const std::uint8_t> BuiltInAllophoneImages();
