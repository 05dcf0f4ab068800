// What a panel's DataGet hands out: a value the host reads before the next call, on the main
// thread. Each unit keeps its own; constant-initialised, so nothing is made or destroyed with
// the module.
#pragma once

template <class T>
class PanelData {
  public:
    // Holds `value` and hands out where it is held.
    T* operator()(T value) {
        m_value = value;
        return &m_value;
    }

  private:
    T m_value{};
};
