# The source lists of the shared core and of the simulated storage library,
# read by the daemon's build (src/, simulator/) and by the extension agent's
# build (windows/) alike, so that a unit is listed once. Paths are absolute:
# the two builds include this file from different folders.
get_filename_component(KORVO_SOURCE_ROOT ${CMAKE_CURRENT_LIST_DIR}/.. ABSOLUTE)

# ---- The shared core -------------------------------------------------------

# Units that both deliverables compile: the definition store, the holder
# registry, the attribute access engine, the request dispatch and their helpers.
set(KORVO_CORE_SOURCES
  ${KORVO_SOURCE_ROOT}/src/RAIDMemAlloc.cpp
  ${KORVO_SOURCE_ROOT}/src/AgentReport.cpp
  ${KORVO_SOURCE_ROOT}/src/ConfigFile.cpp
  ${KORVO_SOURCE_ROOT}/src/FindHolder.cpp
  ${KORVO_SOURCE_ROOT}/src/snmpapi.cpp
  ${KORVO_SOURCE_ROOT}/src/genpvkdispatch.cpp
  ${KORVO_SOURCE_ROOT}/src/Zundfunc.cpp
  ${KORVO_SOURCE_ROOT}/src/Zundsnmp.cpp
  ${KORVO_SOURCE_ROOT}/src/WalkResume.cpp
  ${KORVO_SOURCE_ROOT}/src/parseini.cpp
  ${KORVO_SOURCE_ROOT}/src/parserecords.cpp
  ${KORVO_SOURCE_ROOT}/src/parsepersist.cpp
  ${KORVO_SOURCE_ROOT}/src/parseinifile.cpp
  ${KORVO_SOURCE_ROOT}/src/parseoid.cpp
)

# The Linux daemon's own units: its side of the platform seam
# (AgentPlatform.h) with the profile reader it uses, its stand-ins for the
# platform's snmpapi, entry and lifecycle, the shared-memory channel, agent
# initialisation, trap destinations and the trap sender.
set(KORVO_CORE_LINUX_SOURCES
  ${KORVO_SOURCE_ROOT}/src/AgentPlatformLinux.cpp
  ${KORVO_SOURCE_ROOT}/src/ProfileIni.cpp
  ${KORVO_SOURCE_ROOT}/src/snmpapiLinux.cpp
  ${KORVO_SOURCE_ROOT}/src/genpvkagent.cpp
  ${KORVO_SOURCE_ROOT}/src/genpvkchannel.cpp
  ${KORVO_SOURCE_ROOT}/src/genpvkinit.cpp
  ${KORVO_SOURCE_ROOT}/src/genpvktrap.cpp
  ${KORVO_SOURCE_ROOT}/src/genpvktrapdest.cpp
  ${KORVO_SOURCE_ROOT}/src/TrapSession.cpp
  ${KORVO_SOURCE_ROOT}/src/TrapSecrets.cpp
  ${KORVO_SOURCE_ROOT}/src/TrapNotify.cpp
)

# The daemon's AgentX front end (-x), Linux only.
set(KORVO_CORE_AGENTX_SOURCES
  ${KORVO_SOURCE_ROOT}/src/agentxpdu.cpp
  ${KORVO_SOURCE_ROOT}/src/agentxresponder.cpp
  ${KORVO_SOURCE_ROOT}/src/genpvkagentx.cpp
)

# The extension agent's side of the platform seam (AgentPlatform.h).
set(KORVO_CORE_WINDOWS_SOURCES
  ${KORVO_SOURCE_ROOT}/windows/AgentPlatformWin.cpp
)

# ---- The simulated storage library -----------------------------------------

set(KORVO_SIM_SOURCES
  ${KORVO_SOURCE_ROOT}/simulator/korvosim.cpp
  ${KORVO_SOURCE_ROOT}/simulator/CSimLibrary.cpp
  ${KORVO_SOURCE_ROOT}/simulator/CSimHolder.cpp
  ${KORVO_SOURCE_ROOT}/simulator/CSimStack.cpp
  ${KORVO_SOURCE_ROOT}/simulator/CSimEventFactory.cpp
  ${KORVO_SOURCE_ROOT}/simulator/CSimEventThread.cpp
  ${KORVO_SOURCE_ROOT}/simulator/CSimCommand.cpp
  ${KORVO_SOURCE_ROOT}/simulator/CSimInventory.cpp
)

# The Windows library's event thread waits on a Win32 event.
set(KORVO_SIM_WINDOWS_SOURCES
  ${KORVO_SOURCE_ROOT}/simulator/CSimEventThreadWin.cpp
)
