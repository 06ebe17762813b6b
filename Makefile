# The two commands a newcomer needs: `make demo` and `make test`. Each installs what is missing,
# configures and builds both trees, then runs the demo or every test.
.PHONY: all bootstrap build native win32 test demo bench fuzz clean

all: build

bootstrap:
	scripts/bootstrap

native: bootstrap
	cmake --preset native >/dev/null
	cmake --build --preset native

win32: bootstrap
	cmake --preset win32 >/dev/null
	cmake --build --preset win32

build: native win32

test: build
	ctest --preset native --timeout 300
	scripts/testbed ctest --preset win32 --timeout 300

demo: build
	VITRELLE_COMPOSITOR=1 scripts/testbed scripts/wine-run build/win32/bin/nbhost.exe examples/demo.pub

bench: build
	scripts/testbed scripts/wine-run build/win32/bin/load_bench.exe
	scripts/testbed scripts/wine-run build/win32/bin/lens_bench.exe
	cmake --preset bench >/dev/null
	cmake --build --preset bench
	build/bench/bin/png_bench

# Fuzzes the PNG reader: `make fuzz FUZZ_SECONDS=3600`.
FUZZ_SECONDS ?= 600
fuzz:
	scripts/fuzz $(FUZZ_SECONDS)

clean:
	rm -rf build
