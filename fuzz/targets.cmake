# Every fuzz target: its name (source fuzz/<name>_fuzz.cpp, seed corpus fuzz/corpus/<name>/,
# crash inputs kept as tests in fuzz/regressions/<name>/) and the libraries it exercises.
# Read by fuzz/CMakeLists.txt (the libFuzzer programs of the `fuzz` preset) and by
# tests/fuzz/CMakeLists.txt (every seed and regression input replayed as an ordinary test).
kavrin_fuzz_target(config_reader kavrin_cli)
kavrin_fuzz_target(config_check kavrin_config)
kavrin_fuzz_target(block_file kavrin_cli)
kavrin_fuzz_target(usb_descriptors kavrin_device_v4l2)
kavrin_fuzz_target(sim_state kavrin_device_sim)
kavrin_fuzz_target(recorder kavrin_device_sim)
kavrin_fuzz_target(switch_value kavrin_app)
kavrin_fuzz_target(setting_assignment kavrin_cli)
kavrin_fuzz_target(command_values kavrin_cli)
