// A program that does nothing but carry a version resource, for the console
// tests that read its publisher and description back.
int main() {
    return 0;
}
