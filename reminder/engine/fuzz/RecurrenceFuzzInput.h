// One fuzz input run through the three recurrence entries. The input's first 21 bytes choose the
// zone (byte 0), the present time (1-8), the reminder minutes (9-12) and the old due time
// (13-20); the rest is the recurrence pattern. Shared by the libFuzzer target and the test that
// replays its corpus.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

inline constexpr std::size_t kRecurrenceInputHeader = 21;

// Runs the input; false (with what went wrong in `failure`) when a result breaks a rule the
// entries keep for every input: only S_OK or E_INVALIDARG, outputs of 0 on failure, reminders
// that lie where they were asked for.
bool RunRecurrenceInput(const std::uint8_t* data, std::size_t size, std::string* failure = nullptr);
