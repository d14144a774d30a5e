# Shortcuts for the quick-start script, which installs what is missing.
# Plain `make` builds the modules; `make dist` makes a release into dist/.
.PHONY: build dist demo test bench
build dist demo test bench:
	./pointix.sh $@
