# Two commands set everything up on a fresh Debian 12 machine:
#   make run    install what is missing, build, make the default store, start the program
#   make test   the same set-up, then every test on SQLite and on a throwaway PostgreSQL
#   make demo   the program on a sample store of its own (build/demo), made when missing
BUILD := build
BIN := $(BUILD)/bin
JOBS ?= $(shell nproc)
DEMO := $(BUILD)/demo

FUZZ_BUILD := build-fuzz
SANITIZE_BUILD := build-sanitize
FUZZ_SECONDS ?= 60

.PHONY: all deps build store run demo test bench soak fuzz fuzz-build sanitize clean

all: build

deps:
	@tools/deps.sh

build: deps
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
	@cmake --build $(BUILD) -j $(JOBS)

store: build
	@[ -f $(BIN)/Data/KTA30.wdb ] || $(BIN)/tessaly --new-store $(BIN)/Data/KTA30.wdb

run: store
	@if [ -z "$$DISPLAY$$WAYLAND_DISPLAY" ]; then \
	  echo "Tessaly 已构建完成，但它需要图形桌面才能运行（没有找到 DISPLAY）。"; \
	  echo "在没有显示器的机器上可以用虚拟桌面启动：  xvfb-run -a $(BIN)/tessaly"; \
	else $(BIN)/tessaly; fi

# A program directory of its own with the shipped layouts and a sample book.
demo: build
	@[ -d $(DEMO)/Data/Report ] || { mkdir -p $(DEMO)/Data && cp -r $(BIN)/Data/Report $(DEMO)/Data/ && cp $(BIN)/Help.html $(DEMO)/; }
	@[ -f $(DEMO)/Data/KTA30.wdb ] || $(BIN)/tessaly --new-store $(DEMO)/Data/KTA30.wdb --sample
	@if [ -z "$$DISPLAY$$WAYLAND_DISPLAY" ]; then \
	  echo "示例数据库在 $(DEMO)，但程序需要图形桌面才能运行（没有找到 DISPLAY）。"; \
	  echo "在没有显示器的机器上可以用虚拟桌面启动：  xvfb-run -a $(BIN)/tessaly --dir $(DEMO)"; \
	else $(BIN)/tessaly --dir $(DEMO); fi

test: store fuzz-build
	@tools/check-deps.sh $(BUILD)
	@tools/with-pg.sh ctest --test-dir $(BUILD) --output-on-failure -j 2
	@tools/run-fuzz.sh $(FUZZ_BUILD) 0

bench: build
	@BENCH_BIN=$(abspath $(BUILD))/bench BENCH_DATA=$(abspath $(BUILD))/bench-data \
	  AGENTS=$(or $(AGENTS),100000) PG_AGENTS=$(or $(PG_AGENTS),$(AGENTS),100000) \
	  tools/with-pg.sh bench/run-bench.sh

soak: build fuzz-build
	@TESSALY_SOAK_SECONDS=$${TESSALY_SOAK_SECONDS:-600} \
	  QT_QPA_PLATFORM=offscreen TESSALY_SCRIPTED_MESSAGES=1 TESSALY_BIN=$(abspath $(BIN)) \
	  tools/with-pg.sh $(BUILD)/tests/tst_seats
	@tools/run-fuzz.sh $(FUZZ_BUILD) 60

# The parsers' libFuzzer targets (clang, AddressSanitizer, UBSan), FUZZ_SECONDS each.
fuzz-build: deps
	@cmake -S . -B $(FUZZ_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_C_COMPILER=clang \
	  -DCMAKE_CXX_COMPILER=clang++ -DTESSALY_FUZZ=ON >/dev/null
	@cmake --build $(FUZZ_BUILD) -j $(JOBS) --target tessaly_fuzz

fuzz: fuzz-build
	@tools/run-fuzz.sh $(FUZZ_BUILD) $(FUZZ_SECONDS)

# Everything built with -fsanitize=address,undefined, then the whole suite on both engines.
# Third-party noise is suppressed by tools/sanitize/*.supp, nothing of ours.
sanitize: deps
	@cmake -S . -B $(SANITIZE_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTESSALY_SANITIZE=ON >/dev/null
	@cmake --build $(SANITIZE_BUILD) -j $(JOBS)
	@tools/sanitize/run.sh $(SANITIZE_BUILD)

clean:
	rm -rf $(BUILD)
