// Shared helpers for the test programs live beside this file.
