# The two commands of the README. Both install what is missing and build first.
.PHONY: run test
run:
	@./scripts/run.sh
test:
	@./scripts/test.sh
