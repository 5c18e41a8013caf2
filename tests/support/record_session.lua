-- SPDX-License-Identifier: GPL-3.0-or-later
-- ardour7-lua record_session.lua <engine script> <session folder> <plug-in name> <seconds> <index=value>...
-- Creates a session with one stereo track, inserts the plug-in first in it, sets parameters through
-- Ardour, records the dummy noise and saves with the track playing from disk. Reports on stdout.
-- KVX_PLUGIN_TYPE names the plug-in format (an ARDOUR.PluginType; LXVST when unset).
dofile(arg[1])
local folder, plugin_name, seconds = arg[2], arg[3], tonumber(arg[4])
local plugin_type = ARDOUR.PluginType[os.getenv("KVX_PLUGIN_TYPE") or "LXVST"]
assert(plugin_type, "no such plug-in type")

assert(create_session(folder, "s", 48000), "no session")
-- Ardour's plug-in list is only safe to read once a session exists.
for info in ARDOUR.LuaAPI.list_plugins():iter() do
    if info.type == plugin_type then
        print(string.format("listed|%s|%s|%s", info.name, info.creator, info.unique_id))
    end
end

local track = Session:new_audio_track(2, 2, nil, 1, "T", ARDOUR.PresentationInfo.max_order,
                                      ARDOUR.TrackMode.Normal, true):front()
local proc = ARDOUR.LuaAPI.new_plugin(Session, plugin_name, plugin_type, "")
assert(not proc:isnil(), "the plug-in did not load")
assert(track:add_processor_by_index(proc, 0, nil, true) == 0, "the plug-in was not inserted")
for n = 5, #arg do
    local index, value = string.match(arg[n], "^(%d+)=(-?[%d.]+)$")
    assert(ARDOUR.LuaAPI.set_processor_param(proc, tonumber(index), tonumber(value)), "refused " .. arg[n])
end
for index = 0, proc:to_insert():plugin(0):parameter_count() - 1 do
    local value = ARDOUR.LuaAPI.get_processor_param(proc, index, true)
    print(string.format("param|%d|%.6f", index, value))
end

track:rec_enable_control():set_value(1, PBD.GroupControlDisposition.NoGroup)
Session:maybe_enable_record(false)
Session:request_roll(ARDOUR.TransportRequestSource.TRS_UI)
-- Until the engine has run the whole take: on a loaded machine the dummy engine falls behind the clock.
local start = Session:transport_sample()
for _ = 1, math.floor(seconds * 40) + 1200 do
    if Session:transport_sample() - start >= seconds * 48000 then
        break
    end
    ARDOUR.LuaAPI.usleep(25000)
end
Session:request_stop(false, false, ARDOUR.TransportRequestSource.TRS_UI)
-- The stop is carried out on the engine's thread; the take becomes a region once it has.
for _ = 1, 100 do
    if not Session:transport_rolling() and track:playlist():n_regions() > 0 then
        break
    end
    ARDOUR.LuaAPI.usleep(50000)
end
track:rec_enable_control():set_value(0, PBD.GroupControlDisposition.NoGroup)
track:monitoring_control():set_value(ARDOUR.MonitorChoice.MonitorDisk, PBD.GroupControlDisposition.NoGroup)
print(string.format("regions|%d", track:playlist():n_regions()))
Session:save_state("", false, false, false, false, false)
close_session()
print("done")
