# What a Windows deployment of the two programs holds, in one place: the
# installer and the portable zip (cmake/Packaging.cmake) install exactly
# this, and the test programs of a Windows build run against the same DLLs.
# Qt's own deployment tool is not used: this list is what the programs load,
# and the installer test (tests/package/installer-test.sh) proves it by
# starting the installed programs.
#
# Beside the programs:
#   Qt6Core.dll Qt6Gui.dll Qt6Widgets.dll
#   libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll (the compiler's runtime)
#   platforms/qwindows.dll       the window on the desktop
#   platforms/qoffscreen.dll     orbelin-batch, which shows no window
#   styles/qwindowsvistastyle.dll the native look
#   translations/qtbase_ru.qm    Qt's own buttons and dialogs in Russian
#   discription.txt              the parameter descriptions

set(ORB_DEPLOY_QT_DLLS)
foreach(module Core Gui Widgets)
    list(APPEND ORB_DEPLOY_QT_DLLS $<TARGET_FILE:Qt6::${module}>)
endforeach()

# Plugin target, then the folder it loads from.
set(ORB_DEPLOY_QT_PLUGINS
    Qt6::QWindowsIntegrationPlugin platforms
    Qt6::QOffscreenIntegrationPlugin platforms
    Qt6::QWindowsVistaStylePlugin styles)

# The compiler's own runtime DLLs, where the compiler keeps them: among its
# libraries (Debian), or beside the compiler (the MinGW of Qt's installer).
set(ORB_DEPLOY_RUNTIME_DLLS)
set(ORB_DEPLOY_RUNTIME_DIRS)
if(MINGW)
    cmake_path(GET CMAKE_CXX_COMPILER PARENT_PATH orb_compiler_dir)
    foreach(dll libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll)
        execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${dll}
            OUTPUT_VARIABLE path OUTPUT_STRIP_TRAILING_WHITESPACE)
        if(NOT IS_ABSOLUTE "${path}" OR NOT EXISTS "${path}")
            set(path ${orb_compiler_dir}/${dll})
        endif()
        if(NOT EXISTS "${path}")
            message(FATAL_ERROR "No ${dll} among ${CMAKE_CXX_COMPILER}'s libraries or beside it")
        endif()
        file(REAL_PATH "${path}" path)
        list(APPEND ORB_DEPLOY_RUNTIME_DLLS ${path})
        cmake_path(GET path PARENT_PATH dir)
        list(APPEND ORB_DEPLOY_RUNTIME_DIRS ${dir})
    endforeach()
    list(REMOVE_DUPLICATES ORB_DEPLOY_RUNTIME_DIRS)
endif()

# Qt's translations come with Qt's installer on Windows; a Qt built for
# MinGW here has none, and Debian's (qt6-translations-l10n) serve as well.
find_file(ORB_QTBASE_RU qtbase_ru.qm
    HINTS ${QT6_INSTALL_PREFIX}/${QT6_INSTALL_TRANSLATIONS} /usr/share/qt6/translations
    NO_CMAKE_FIND_ROOT_PATH NO_DEFAULT_PATH)
if(NOT ORB_QTBASE_RU)
    message(FATAL_ERROR "No qtbase_ru.qm (Debian: qt6-translations-l10n); set ORB_QTBASE_RU")
endif()

# Where the DLLs of a Windows build's programs are when they run from the
# build tree (the test launcher puts them on the search path).
get_target_property(orb_qtcore_dll Qt6::Core IMPORTED_LOCATION_RELEASE)
cmake_path(GET orb_qtcore_dll PARENT_PATH orb_qt_bin)
set(ORB_DEPLOY_DLL_DIRS ${orb_qt_bin} ${ORB_DEPLOY_RUNTIME_DIRS})

# orb_deploy_translations(<target>): Qt's Russian beside a program of the
# build tree, where the program looks for it first.
function(orb_deploy_translations target)
    add_custom_command(TARGET ${target} POST_BUILD
        COMMAND ${CMAKE_COMMAND} -E make_directory $<TARGET_FILE_DIR:${target}>/translations
        COMMAND ${CMAKE_COMMAND} -E copy_if_different ${ORB_QTBASE_RU}
            $<TARGET_FILE_DIR:${target}>/translations/
        VERBATIM)
endfunction()

# The runtime DLLs come with their symbols (libstdc++ is 23 MB so); the
# deployment carries them stripped, as it does the programs.
set(orb_runtime_stripped)
foreach(dll ${ORB_DEPLOY_RUNTIME_DLLS})
    cmake_path(GET dll FILENAME name)
    set(stripped ${CMAKE_BINARY_DIR}/deploy-runtime/${name})
    add_custom_command(OUTPUT ${stripped}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/deploy-runtime
        COMMAND ${CMAKE_STRIP} --strip-unneeded -o ${stripped} ${dll}
        DEPENDS ${dll}
        VERBATIM)
    list(APPEND orb_runtime_stripped ${stripped})
endforeach()
add_custom_target(orb_deploy_runtime ALL DEPENDS ${orb_runtime_stripped})

# orb_install_deployment(<destination>): the whole list, installed.
function(orb_install_deployment destination)
    install(FILES ${ORB_DEPLOY_QT_DLLS} ${orb_runtime_stripped} DESTINATION ${destination})
    set(plugins ${ORB_DEPLOY_QT_PLUGINS})
    while(plugins)
        list(POP_FRONT plugins target folder)
        install(FILES $<TARGET_FILE:${target}> DESTINATION ${destination}/${folder})
    endwhile()
    install(FILES ${ORB_QTBASE_RU} DESTINATION ${destination}/translations)
    install(FILES ${PROJECT_SOURCE_DIR}/src/app/discription.txt DESTINATION ${destination})
endfunction()
