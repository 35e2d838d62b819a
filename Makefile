# The two everyday commands, plus the longer runs. Each installs what it needs.
.PHONY: all deps build demo test fuzz bench dist clean

all: build

deps:
	bash scripts/install-deps.sh

build: deps
	cmake --preset win32 && cmake --build --preset win32

demo: deps
	bash scripts/demo.sh

test: deps
	bash scripts/test.sh

clean:
	rm -rf build dist

fuzz: deps
	bash scripts/fuzz.sh

bench: deps
	bash bench/run.sh

dist: deps
	bash scripts/dist.sh
