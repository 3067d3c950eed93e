# The layers, held by the build: the libraries below the windows link no Qt
# Gui and no Qt Widgets. Configuring fails when one of them comes to (a
# library that brings in the windows, or Qt Gui itself), whether or not the
# tests are built; tests/CMakeLists.txt checks the core test binaries with
# the same function. Included after add_subdirectory(src).

# Every target in the link closure of target, added to the list in out.
function(vantrel_link_closure target out)
    set(seen ${${out}})
    set(pending ${target})
    while(pending)
        list(POP_FRONT pending item)
        # $<LINK_ONLY:x> and the like name x; other generator expressions are no targets.
        string(REGEX REPLACE "^\\$<LINK_ONLY:(.*)>$" "\\1" item "${item}")
        if(item MATCHES "^\\$<" OR NOT TARGET ${item} OR item IN_LIST seen)
            continue()
        endif()
        get_target_property(aliased ${item} ALIASED_TARGET)
        if(aliased)
            set(item ${aliased})
        endif()
        list(APPEND seen ${item})
        get_target_property(type ${item} TYPE)
        set(links)
        if(NOT type STREQUAL "INTERFACE_LIBRARY")
            get_target_property(direct ${item} LINK_LIBRARIES)
            if(direct)
                list(APPEND links ${direct})
            endif()
        endif()
        get_target_property(interface ${item} INTERFACE_LINK_LIBRARIES)
        if(interface)
            list(APPEND links ${interface})
        endif()
        list(APPEND pending ${links})
    endwhile()
    set(${out} ${seen} PARENT_SCOPE)
endfunction()

function(vantrel_require_no_widgets)
    foreach(target ${ARGN})
        set(closure)
        vantrel_link_closure(${target} closure)
        foreach(forbidden Qt6::Widgets Qt6::Gui vantrel_widgets vantrel_app)
            if(forbidden IN_LIST closure)
                message(FATAL_ERROR "${target} links ${forbidden}, but it is a layer without windows "
                                    "(see the Layers section of docs/architecture.md)")
            endif()
        endforeach()
    endforeach()
endfunction()

vantrel_require_no_widgets(
    vantrel_server vantrel_session vantrel_forecourt vantrel_inspector_core vantrel_journal_core vantrel_board_core
    vantrel_compose_core
    vantrel_capture vantrel_tap
    vantrel_board_bus vantrel_dbus vantrel_dbus_client vantrel_site_codec vantrel_dbus_service
    vantrel_fueling vantrel_reader_core vantrel_devices_core vantrel_suites_core
    vantrel-forecourt)

# The D-Bus client carries no simulator: the utility reaching a server on a
# bus links neither the served object nor the embedded forecourt through it.
set(client_closure)
vantrel_link_closure(vantrel_dbus_client client_closure)
foreach(forbidden vantrel_forecourt vantrel_dbus_service)
    if(forbidden IN_LIST client_closure)
        message(FATAL_ERROR "vantrel_dbus_client links ${forbidden}, but the client carries no simulator "
                            "(see the Layers section of docs/architecture.md)")
    endif()
endforeach()
