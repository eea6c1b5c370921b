#pragma once

class Form1;

// The most numbers one run makes: about two gigabytes of list, view and index.
constexpr int kMostNumbersPerRun = 20'000'000;

// "Start Generating": fills the result list with the requested count of distinct numbers.
void PushButton2_Click(Form1 &form);
