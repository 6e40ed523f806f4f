// A shared library that looks like a plug-in file but exports no PluginMain.
extern "C" __attribute__((visibility("default"))) int NotThePluginEntry(int value) { return value + 1; }
