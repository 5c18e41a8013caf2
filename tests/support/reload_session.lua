-- SPDX-License-Identifier: GPL-3.0-or-later
-- ardour7-lua reload_session.lua <engine script> <session folder> <index=value>...
-- Loads the saved session, reports the plug-in and its parameters as Ardour restored them, then sets the
-- given parameters and saves again.
dofile(arg[1])
local folder = arg[2]

assert(load_session(folder, "s"), "the session did not load")
local track = Session:route_by_name("T")
assert(track and not track:isnil(), "no track")
local proc = track:nth_plugin(0)
assert(not proc:isnil(), "no plug-in on the track")
print(string.format("plugin|%s|%s", proc:name(), tostring(proc:active())))
for index = 0, proc:to_insert():plugin(0):parameter_count() - 1 do
    local value = ARDOUR.LuaAPI.get_processor_param(proc, index, true)
    print(string.format("param|%d|%.6f", index, value))
end
for n = 3, #arg do
    local index, value = string.match(arg[n], "^(%d+)=(-?[%d.]+)$")
    assert(ARDOUR.LuaAPI.set_processor_param(proc, tonumber(index), tonumber(value)), "refused " .. arg[n])
end
Session:save_state("", false, false, false, false, false)
close_session()
print("done")
