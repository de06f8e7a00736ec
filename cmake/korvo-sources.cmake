# The source lists of the shared core and of the simulated storage library,
# read by the daemon's build (src/, simulator/) and by the extension agent's
# build (windows/) alike, so that a unit is listed once. Paths are absolute:
# the two builds include this file from different folders.
get_filename_component(KORVO_SOURCE_ROOT ${CMAKE_CURRENT_LIST_DIR}/.. ABSOLUTE)

# Sets VAR to the units that follow, each in FOLDER of the source root.
function(korvo_units VAR FOLDER)
  list(TRANSFORM ARGN PREPEND ${KORVO_SOURCE_ROOT}/${FOLDER}/ OUTPUT_VARIABLE _units)
  set(${VAR} ${_units} PARENT_SCOPE)
endfunction()

# ---- The shared core -------------------------------------------------------

# Each folder of src/ is one subsystem; the lists below name each folder's
# units, from the bottom of the layering up (src/README.md).

# platform: the SNMP value types and OID utilities, the allocation pair, the
# platform seam (AgentPlatform.h), start-up reports and the guarded opening
# of configuration files.
korvo_units(KORVO_PLATFORM_SOURCES src/platform
  RAIDMemAlloc.cpp
  AgentReport.cpp
  ConfigFile.cpp
  snmpapi.cpp
)
# The daemon's side of the platform seam with the profile reader it uses,
# its stand-ins for the platform's snmpapi, and the signal flags.
korvo_units(KORVO_PLATFORM_LINUX_SOURCES src/platform
  AgentPlatformLinux.cpp
  ProfileIni.cpp
  snmpapiLinux.cpp
  AgentSignals.cpp
)

# mib: the definition store, its readers and persisted format, OID
# resolution and the walk order.
korvo_units(KORVO_MIB_SOURCES src/mib
  parseini.cpp
  parserecords.cpp
  parsepersist.cpp
  parseinifile.cpp
  parseoid.cpp
  WalkResume.cpp
)

# dispatch: the request dispatch of one binding, the holder registry and the
# attribute engine behind it.
korvo_units(KORVO_DISPATCH_SOURCES src/dispatch
  FindHolder.cpp
  RequestState.cpp
  Zundfunc.cpp
  Zundsnmp.cpp
  genpvkdispatch.cpp
)

# Units that both deliverables compile.
set(KORVO_CORE_SOURCES ${KORVO_PLATFORM_SOURCES} ${KORVO_MIB_SOURCES} ${KORVO_DISPATCH_SOURCES})

# The daemon's front ends and trap engine, and the lifecycle that starts
# them. channel: the shared-memory block; traps: trap destinations, the
# event callback and the trap sender; agent: entry, lifecycle and agent
# initialisation.
korvo_units(KORVO_CHANNEL_SOURCES src/channel
  genpvkchannel.cpp
)
korvo_units(KORVO_TRAPS_SOURCES src/traps
  genpvktrap.cpp
  genpvktrapdest.cpp
  TrapSession.cpp
  TrapSecrets.cpp
  TrapNotify.cpp
)
korvo_units(KORVO_AGENT_SOURCES src/agent
  genpvkagent.cpp
  genpvkinit.cpp
)
set(KORVO_CORE_LINUX_SOURCES ${KORVO_PLATFORM_LINUX_SOURCES} ${KORVO_CHANNEL_SOURCES}
                             ${KORVO_TRAPS_SOURCES} ${KORVO_AGENT_SOURCES})

# agentx: the daemon's AgentX front end (-x), Linux only.
korvo_units(KORVO_CORE_AGENTX_SOURCES src/agentx
  agentxpdu.cpp
  agentxresponder.cpp
  genpvkagentx.cpp
)

# The extension agent's side of the platform seam (AgentPlatform.h).
korvo_units(KORVO_CORE_WINDOWS_SOURCES windows
  AgentPlatformWin.cpp
)

# ---- The simulated storage library -----------------------------------------

korvo_units(KORVO_SIM_SOURCES simulator
  korvosim.cpp
  CSimLibrary.cpp
  CSimHolder.cpp
  CSimStack.cpp
  CSimEventFactory.cpp
  CSimEventThread.cpp
  CSimCommand.cpp
  CSimInventory.cpp
)

# The Windows library's event thread waits on a Win32 event.
korvo_units(KORVO_SIM_WINDOWS_SOURCES simulator
  CSimEventThreadWin.cpp
)
