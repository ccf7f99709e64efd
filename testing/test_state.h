#pragma once

#include <array>
#include <cstdint>

// The record of one test, held by the main window. Answer slots are numbered 1..45; each level
// owns its own range of them (see grading.h).
template <typename T> class AnswerSlots {
public:
    static constexpr int first = 1;
    static constexpr int last = 45;

    static constexpr bool valid(int slot) { return slot >= first && slot <= last; }
    T &operator[](int slot) { return m_values.at(std::size_t(slot - first)); }
    const T &operator[](int slot) const { return m_values.at(std::size_t(slot - first)); }
    void fill(const T &value) { m_values.fill(value); }

private:
    std::array<T, last - first + 1> m_values{};
};

struct TestState {
    AnswerSlots<bool> CorrectFlags;     // set by grading, cleared by Start and Restart
    AnswerSlots<int32_t> ChosenAnswers; // the option number chosen per slot; never cleared
    int32_t Level = 0;                  // 3, 4 or 5; 0 until a level has been confirmed
};
