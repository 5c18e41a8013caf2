-- SPDX-License-Identifier: GPL-3.0-or-later
-- Shared start of the headless Ardour runs: the dummy backend feeding white noise to its capture ports.
ARDOUR.config():set_hide_dummy_backend(false)
local backend = AudioEngine:set_backend("None (Dummy)", "", "")
assert(backend and not backend:isnil(), "no dummy backend")
backend:set_device_name("Uniform White Noise")
assert(AudioEngine:start(false) == 0, "the engine did not start")
