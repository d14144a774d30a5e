# Shortcuts for the quick-start script, which installs what is missing.
.PHONY: dist demo test build bench
dist demo test build bench:
	./pointix.sh $@
