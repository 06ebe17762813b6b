# The two commands a newcomer needs: `make demo` and `make test`. Each installs what is missing,
# configures and builds the trees, then runs the demo or every test.
.PHONY: all bootstrap build native win32 win32-clang test demo dist bench vitrelle-png fuzz clean

all: build

bootstrap:
	scripts/bootstrap

native: bootstrap
	cmake --preset native >/dev/null
	cmake --build --preset native

win32: bootstrap
	cmake --preset win32 >/dev/null
	cmake --build --preset win32

# The plug-in and the tests of the plug-in itself again, built by clang and lld: a second
# compiler keeps the build off GCC's quirks, and the DLL it makes must pass the same tests.
win32-clang: bootstrap
	cmake --preset win32-clang >/dev/null
	cmake --build --preset win32-clang

build: native win32

test: build win32-clang
	ctest --preset native --timeout 300
	scripts/testbed ctest --preset win32 --timeout 300
	scripts/testbed ctest --preset win32-clang --timeout 300

# The lens three times: in capture mode as it runs under Wine (build/demo.png); on a composed
# desktop, the host handing the plug-in our stand-in compositor (build/demo-thumbnail.png);
# and copying the screen as it does on Windows, in the test build of the plug-in
# (build/demo-screen-copy.png). Then the property dialogs and the About box (build/dialog-*.png,
# build/about.png). Then, on a desk of two monitors, the lens moved by the keyboard until it
# straddles them (build/demo-two-monitors.png). Last, the first play again at 150% under Wine 10,
# which scales the host as Windows does (build/demo-150.png).
demo: build
	VITRELLE_COMPOSITOR=1 scripts/testbed sh -c '\
	  scripts/wine-run build/win32/bin/nbhost.exe examples/demo.pub && \
	  scripts/wine-run build/win32/bin/nbhost.exe --compositor build/win32/bin/compositor/dwmapi.dll \
	    examples/demo-thumbnail.pub && \
	  scripts/wine-run build/win32/bin/nbhost.exe --plugin build/win32/bin/VitrelleScreenCopy.nbp \
	    examples/demo-screen-copy.pub && \
	  scripts/wine-run build/win32/bin/nbhost.exe examples/dialogs.pub'
	VITRELLE_COMPOSITOR=1 scripts/testbed --monitors two \
	  scripts/wine-run build/win32/bin/nbhost.exe examples/demo-two-monitors.pub
	VITRELLE_COMPOSITOR=1 scripts/testbed --wine 10 --dpi 144 --screen 1920x1440 \
	  scripts/wine-run build/win32/bin/nbhost.exe examples/demo-150.pub

# The release: build/dist/Vitrelle-<version>.zip and its .sha256 (every build of the win32 tree
# makes them too; see cmake/dist.cmake).
dist: bootstrap
	cmake --preset win32 >/dev/null
	cmake --build --preset win32 --target dist

# Under Wine without its heap checks, which the test bed otherwise turns on and which cost time.
bench: build win32-clang
	WINEDEBUG=-all scripts/testbed sh -c '\
	  scripts/wine-run build/win32/bin/load_bench.exe && \
	  scripts/wine-run build/win32/bin/open_close_bench.exe \
	    build/win32/bin/Vitrelle.nbp build/win32-clang/bin/Vitrelle.nbp && \
	  scripts/wine-run build/win32/bin/lens_bench.exe && \
	  scripts/wine-run build/win32/bin/lens_bench_screen_copy.exe'
	cmake --preset bench >/dev/null
	cmake --build --preset bench
	build/bench/bin/png_bench
	build/bench/bin/png_tool_bench

# The README's decode command, built without the sanitizers in the bench preset's Release tree:
# build/bench/tools/vitrelle-png. (The native tree's copy, with ASan and UBSan, is the tests'.)
vitrelle-png: bootstrap
	cmake --preset bench >/dev/null
	cmake --build --preset bench --target vitrelle-png

# Fuzzes the PNG reader: `make fuzz FUZZ_SECONDS=3600`.
FUZZ_SECONDS ?= 600
fuzz:
	scripts/fuzz $(FUZZ_SECONDS)

clean:
	rm -rf build
